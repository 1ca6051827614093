#pragma once
#include <QString>
#include <QStringList>
#include <optional>

namespace kestrum {

// The texts sent from the send box, the most recent first, kept in the
// settings store (section "History") so that clearing the stored settings
// forgets them too. The store is asked each time, as for every setting:
// after a clearing the next text sent starts a new history.
constexpr int kSendHistoryLimit = 100;
// Longer texts are sent but not kept: the store is a small file read often.
constexpr int kSendHistoryLongest = 4096;

QStringList sendHistory();
// Puts the text in front (an equal one moves there), keeps the most recent
// kSendHistoryLimit. An empty text is not kept.
void rememberSent(const QString &text);
// What rememberSent makes of a history.
QStringList withSent(QStringList history, const QString &text);

// Steps through the history from the send box, as a shell does: the first
// step back keeps what the box held, and stepping forward past the most
// recent text brings it back.
class HistorySteps {
public:
    // The text to show one step further back or forward; nothing at either end.
    std::optional<QString> older(const QStringList &history, const QString &shown);
    std::optional<QString> newer(const QStringList &history, const QString &shown);
    // Back to the box's own text (after a send).
    void reset() { m_position = -1; }

private:
    int m_position = -1;  // -1: the box's own text
    QString m_draft;
};

} // namespace kestrum
