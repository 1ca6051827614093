#include "ui/actions/streamactions.h"
#include "core/settings/settingkeys.h"
#include "platform/guard.h"
#include "ui/common/captions.h"
#include "ui/stream/filterwindow.h"
#include "ui/stream/highlightswindow.h"
#include "ui/received/receivedbox.h"
#include <QAction>
#include <QEvent>
#include <QLineEdit>
#include <QMenu>

namespace kestrum {

StreamActions::StreamActions(QMenu *viewMenu, ReceivedBox *box, QWidget *window)
    : QObject(window), m_box(box), m_store(box->store()), m_window(window)
{
    viewMenu->addSeparator();
    auto item = [&](const char *name) {
        QAction *a = viewMenu->addAction(QString());
        a->setObjectName(QLatin1String(name));
        return a;
    };
    mnuColours = item("mnuColours");
    mnuColours->setCheckable(true);
    mnuHighlights = item("mnuHighlights");
    mnuFilter = item("mnuFilter");
    mnuFilter->setShortcut(Qt::CTRL | Qt::Key_L);
    bool colours = true;
    guarded([&] { colours = readSetting(Setting::Colours).trimmed() != QLatin1String("0"); });
    mnuColours->setChecked(colours);
    m_look.colours = colours;
    std::vector<HighlightRule> rules;
    if (guarded([&] { rules = highlightRules(); }))
        m_look.highlighter = std::make_shared<const Highlighter>(std::move(rules));
    connect(mnuColours, &QAction::triggered, this, &StreamActions::mnuColours_Click);
    connect(mnuHighlights, &QAction::triggered, this, &StreamActions::mnuHighlights_Click);
    connect(mnuFilter, &QAction::triggered, this, &StreamActions::mnuFilter_Click);
    connect(box, &ReceivedBox::documentEdited, this, &StreamActions::documentChanged);
    box->setLook(m_look);
    window->installEventFilter(this);
    retranslate();
}

// The windows read the box's document: they go before it.
StreamActions::~StreamActions()
{
    delete m_filter;
    delete m_highlights;
}

void StreamActions::lookChanged()
{
    if (m_filter)
        m_filter->setLook(m_look);
    m_box->setLook(m_look);
}

void StreamActions::showLine(qsizetype lineStart)
{
    if (lineStart < 0 || lineStart > m_store.size())
        return;
    const qsizetype end = lineStart + m_store.lineLength(m_store.lineOf(lineStart));
    m_box->setCursorPosition(lineStart);
    m_box->setCursorPosition(end, true);
    m_window->activateWindow();
    m_box->setFocus();
}

bool StreamActions::eventFilter(QObject *watched, QEvent *event)
{
    // The items follow the language with their window.
    if (watched == m_window && event->type() == QEvent::LanguageChange)
        retranslate();
    return QObject::eventFilter(watched, event);
}

void StreamActions::retranslate()
{
    mnuColours->setText(MainWindowCaptions::tr("Цвета"));
    mnuHighlights->setText(MainWindowCaptions::tr("Подсветка…"));
    mnuFilter->setText(MainWindowCaptions::tr("Фильтр…"));
}

void StreamActions::mnuColours_Click()
{
    m_look.colours = mnuColours->isChecked();
    guarded([&] { writeSetting(Setting::Colours, m_look.colours ? QStringLiteral("1") : QStringLiteral("0")); });
    lookChanged();
}

HighlightsWindow *StreamActions::highlightsWindow()
{
    if (!m_highlights) {
        m_highlights = new HighlightsWindow(m_window);
        connect(m_highlights, &HighlightsWindow::rulesChanged, this, &StreamActions::setRules);
    }
    return m_highlights;
}

void StreamActions::mnuHighlights_Click()
{
    HighlightsWindow *w = highlightsWindow();
    guarded([&] { w->Form_Load(); });
    applyCaptions(w);
    w->show();
    w->raise();
    w->activateWindow();
}

void StreamActions::setRules(const std::vector<HighlightRule> &rules)
{
    m_look.highlighter = std::make_shared<const Highlighter>(rules);
    lookChanged();
}

FilterWindow *StreamActions::filterWindow()
{
    if (!m_filter) {
        m_filter = new FilterWindow(m_store, m_window);
        m_filter->setLook(m_look);
        connect(m_filter, &FilterWindow::chosen, this, &StreamActions::showLine);
    }
    return m_filter;
}

void StreamActions::mnuFilter_Click()
{
    FilterWindow *w = filterWindow();
    applyCaptions(w);
    w->show();
    w->raise();
    w->activateWindow();
    w->Text1->setFocus();
    w->Text1->selectAll();
}

void StreamActions::documentGrew()
{
    if (m_filter)
        m_filter->documentGrew();
}

void StreamActions::documentChanged()
{
    if (m_filter)
        m_filter->documentChanged();
}

} // namespace kestrum
