#include "platform/printing.h"
#include "core/base/error.h"
#include "core/document/receivedstore.h"
#include "core/document/textfile.h"
#include <QCoreApplication>
#include <QFontDatabase>
#include <QPainter>
#include <QPrinter>
#include <QTextLayout>
#include <QTextOption>

namespace kestrum {

namespace {

// A line longer than this goes on paper in pieces of this size: each piece
// wraps by itself, which differs from wrapping the whole line at most in
// where one paper line of the piece breaks.
constexpr qsizetype kPiece = 64 * 1024;
constexpr qsizetype kRead = qsizetype(1) << 20;

class Pages {
public:
    Pages(QPrinter &printer, QPainter &painter, const QFont &font)
        : m_printer(printer), m_painter(painter), m_font(font),
          m_page(printer.pageLayout().paintRectPixels(printer.resolution()))
    {
        m_option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    }

    void line(QString text)
    {
        // NUL has no glyph; it shows as the box shows it.
        text.replace(QChar(0), QChar(0x2400));
        QTextLayout layout(text, m_font, &m_printer);
        layout.setTextOption(m_option);
        layout.beginLayout();
        for (QTextLine l = layout.createLine(); l.isValid(); l = layout.createLine())
            l.setLineWidth(m_page.width());
        layout.endLayout();
        for (int i = 0; i < layout.lineCount(); ++i) {
            const QTextLine l = layout.lineAt(i);
            if (m_y > 0 && m_y + l.height() > m_page.height()) {
                if (!m_printer.newPage())
                    throw Error(QCoreApplication::translate("Printing", "Printing failed while starting page %1.").arg(m_pages + 1));
                ++m_pages;
                m_y = 0;
            }
            l.draw(&m_painter, QPointF(0, m_y - l.y()));
            m_y += l.height();
        }
    }

private:
    QPrinter &m_printer;
    QPainter &m_painter;
    QFont m_font;
    QRectF m_page;
    QTextOption m_option;
    qreal m_y = 0;
    int m_pages = 1;
};

} // namespace

bool printText(QPrinter &printer, const QString &heading, const StoreSnapshot &text, Progress &progress)
{
    // Not the interface's small font: the desktop's fixed-width font at a
    // size that reads well on paper, columns of received data kept aligned.
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(10);
    QPainter painter;
    if (!painter.begin(&printer))
        throw Error(QCoreApplication::translate("Printing", "Printing failed: the printer \"%1\" cannot be used.")
                        .arg(printer.printerName().isEmpty() ? shownPath(printer.outputFileName()) : shownValue(printer.printerName())));
    Pages pages(printer, painter, font);
    pages.line(heading);
    progress.total = text.size();
    // CR LF, a lone CR and a lone LF are all line ends on paper. A CR that
    // ends a piece read waits for the next piece, which may begin with its LF.
    QString pending;
    qsizetype pos = 0;
    for (;;) {
        if (progress.cancelled) {
            // Where the printer allows it the job is withdrawn; otherwise the
            // pages made so far are all it gets.
            printer.abort();
            painter.end();
            return false;
        }
        const bool last = pos >= text.size();
        if (!last) {
            pending += text.text(pos, std::min(kRead, text.size() - pos));
            pos += std::min(kRead, text.size() - pos);
        }
        qsizetype from = 0;
        for (;;) {
            qsizetype end = from;
            while (end < pending.size() && end - from < kPiece && pending.at(end) != QLatin1Char('\r')
                   && pending.at(end) != QLatin1Char('\n'))
                ++end;
            if (end == pending.size() && !last)
                break;  // the rest of the line is in the next piece
            if (end - from == kPiece) {
                pages.line(pending.mid(from, end - from));
                from = end;
                continue;
            }
            if (end < pending.size() && pending.at(end) == QLatin1Char('\r') && end + 1 == pending.size() && !last)
                break;  // a CR whose LF may come next
            pages.line(pending.mid(from, end - from));
            if (end == pending.size()) {
                from = end;
                break;
            }
            from = end + (pending.at(end) == QLatin1Char('\r') && end + 1 < pending.size()
                                  && pending.at(end + 1) == QLatin1Char('\n')
                              ? 2
                              : 1);
        }
        pending.remove(0, from);
        progress.done = pos - pending.size();
        if (last)
            break;
    }
    if (text.readFailed())
        throw Error(QCoreApplication::translate("Printing", "Printing failed: the received text could not be read back from the cache folder."));
    if (!painter.end())
        throw Error(QCoreApplication::translate("Printing", "Printing failed: the document could not be finished."));
    progress.done = progress.total.load();
    return true;
}

} // namespace kestrum
