#include "ui/actions/sendboxhistory.h"
#include "core/log/messageline.h"
#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>

namespace kestrum {

namespace {

// A history entry is the text as sent; the box holds plain line breaks.
QString boxText(const QString &sent)
{
    QString t = sent;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return t;
}

// One line of a menu: the text's first line, shortened.
QString menuCaption(const QString &sent)
{
    QString line = sent.section(QLatin1String("\r\n"), 0, 0);
    if (line.size() > 60 || line.size() < sent.size())
        line = line.left(60) + QChar(0x2026);
    // An ampersand would be taken for a mnemonic.
    line.replace(QLatin1Char('&'), QLatin1String("&&"));
    return line;
}

} // namespace

SendBoxHistory::SendBoxHistory(QPlainTextEdit *box) : QObject(box), m_box(box)
{
    box->installEventFilter(this);
    box->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(box, &QWidget::customContextMenuRequested, this, &SendBoxHistory::contextMenu);
}

void SendBoxHistory::sent(const QString &text)
{
    m_steps.reset();
    rememberSent(text);
}

void SendBoxHistory::show(const QString &text)
{
    QTextCursor c(m_box->document());
    c.select(QTextCursor::Document);
    c.insertText(boxText(text));
    m_box->setTextCursor(c);
}

bool SendBoxHistory::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_box && (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)) {
        auto *key = static_cast<QKeyEvent *>(event);
        const bool up = key->key() == Qt::Key_Up, down = key->key() == Qt::Key_Down;
        if ((up || down) && (key->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier) {
            // Claimed before any shortcut of the window sees it.
            if (event->type() == QEvent::ShortcutOverride) {
                event->accept();
                return true;
            }
            const QStringList history = sendHistory();
            const QString shown = withCrLf(m_box->document()->toRawText());
            const std::optional<QString> next = up ? m_steps.older(history, shown) : m_steps.newer(history, shown);
            if (next)
                show(*next);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void SendBoxHistory::contextMenu(const QPoint &at)
{
    QMenu *menu = m_box->createStandardContextMenu(at);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addSeparator();
    QMenu *list = menu->addMenu(tr("Отправленные"));
    list->setObjectName(QStringLiteral("mnuHistory"));
    const QStringList history = sendHistory();
    list->setEnabled(!history.isEmpty());
    for (const QString &text : history) {
        QAction *a = list->addAction(menuCaption(text));
        a->setObjectName(QStringLiteral("mnuHistoryItem"));
        connect(a, &QAction::triggered, this, [this, text] {
            m_steps.reset();
            show(text);
        });
    }
    menu->popup(m_box->viewport()->mapToGlobal(at));
}

} // namespace kestrum
