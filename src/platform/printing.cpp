#include "platform/printing.h"
#include "core/error.h"
#include <QAbstractTextDocumentLayout>
#include <QFontDatabase>
#include <QPainter>
#include <QPrinter>
#include <QTextDocument>
#include <QTextOption>

namespace kestrum {

void printText(QPrinter &printer, const QString &text)
{
    QTextDocument document;
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    document.setDefaultTextOption(option);
    // Not the interface's small font: the desktop's fixed-width font at a
    // size that reads well on paper, columns of received data kept aligned.
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(10);
    document.setDefaultFont(font);
    // CR LF, a lone CR and a lone LF are all line ends on paper.
    QString plain = text;
    plain.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    plain.replace(QChar(0), QChar(0x2400));
    document.setPlainText(plain);

    QPainter painter;
    if (!painter.begin(&printer))
        throw Error(QCoreApplication::translate("Printing", "Printing failed: the printer \"%1\" cannot be used.")
                        .arg(printer.printerName().isEmpty() ? shownPath(printer.outputFileName()) : shownValue(printer.printerName())));
    const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
    document.documentLayout()->setPaintDevice(&printer);
    document.setPageSize(page.size());
    const int pages = document.pageCount();
    for (int i = 0; i < pages; ++i) {
        if (i > 0 && !printer.newPage()) {
            painter.end();
            throw Error(QCoreApplication::translate("Printing", "Printing failed while starting page %1.").arg(i + 1));
        }
        painter.save();
        painter.translate(0, -page.height() * i);
        const QRectF clip(0, page.height() * i, page.width(), page.height());
        document.drawContents(&painter, clip);
        painter.restore();
    }
    if (!painter.end())
        throw Error(QCoreApplication::translate("Printing", "Printing failed: the document could not be finished."));
}

} // namespace kestrum
