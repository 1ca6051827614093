// The received box's selection as the X11 primary selection.
#include "ui/received/receivedboxparts.h"
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPointer>
#include <algorithm>

namespace kestrum {

using namespace boxparts;

// The selection as the window system's primary selection holds it. It is
// converted only when a program asks for it, so a drag over a big document
// hands over nothing at each step. When the box's selection goes, the last
// one stays what the primary selection holds: kept by its place while the
// document below it is unchanged, converted before an edit would change it.
class ReceivedBox::PrimarySelection : public QMimeData {
public:
    explicit PrimarySelection(const ReceivedBox *box) : m_box(box) {}

    QStringList formats() const override { return {QStringLiteral("text/plain")}; }
    bool hasFormat(const QString &mime) const override { return mime == QLatin1String("text/plain"); }

    enum class State { Live, Pinned, Kept };
    State state = State::Live;
    CharsFromEnd near{0}, far{0};  // while pinned
    QString text;                 // once kept

protected:
    QVariant retrieveData(const QString &mime, QMetaType) const override
    {
        if (mime != QLatin1String("text/plain"))
            return {};
        if (state == State::Kept || !m_box)
            return text;
        return state == State::Live ? m_box->selectedText() : m_box->clipboardText(near, far);
    }

private:
    QPointer<const ReceivedBox> m_box;
};

void ReceivedBox::selectionToX11()
{
    QClipboard *c = QGuiApplication::clipboard();
    if (!c->supportsSelection() || !hasSelection())
        return;
    // While the clipboard holds ours, it follows the selection as it is.
    if (m_primary) {
        m_primary->state = PrimarySelection::State::Live;
        m_primary->text.clear();
        return;
    }
    m_primary = new PrimarySelection(this);
    c->setMimeData(m_primary, QClipboard::Selection);
}

// The selection is about to go: the primary selection keeps it by its place.
void ReceivedBox::pinPrimary()
{
    if (!m_primary || m_primary->state != PrimarySelection::State::Live)
        return;
    m_primary->state = PrimarySelection::State::Pinned;
    m_primary->near = std::min(m_caret, m_anchor);
    m_primary->far = std::max(m_caret, m_anchor);
}

// Before count characters at pos are replaced (removed is what they are):
// a primary selection the edit would change is converted now.
void ReceivedBox::keepPrimary(qsizetype pos, qsizetype count, const QString &removed)
{
    pinPrimary();
    if (!m_primary || m_primary->state != PrimarySelection::State::Pinned)
        return;
    const qsizetype from = fromTop(m_primary->far, m_store.size()).get();
    const qsizetype to = fromTop(m_primary->near, m_store.size()).get();
    if (pos + count <= from)
        return;  // above it: its characters and their distances from the end stay
    m_primary->text = pos == from && count == to - from && removed.size() == count ? clipboardForm(removed)
                                                        : clipboardText(m_primary->near, m_primary->far);
    m_primary->state = PrimarySelection::State::Kept;
}

} // namespace kestrum
