#include "core/sending/sendhistory.h"
#include "core/settings/settings.h"
#include <QJsonArray>
#include <QJsonDocument>

namespace kestrum {

namespace {

const QString kSection = QStringLiteral("History");
const QString kKey = QStringLiteral("Sent");

} // namespace

QStringList sendHistory()
{
    // One value holding a JSON array: any text, line breaks included,
    // survives the settings file, and a hand-edited value that is not an
    // array is simply no history.
    const QJsonDocument doc = QJsonDocument::fromJson(readSetting(kSection, kKey, QString()).toUtf8());
    QStringList texts;
    for (const QJsonValue &v : doc.array())
        if (v.isString() && !v.toString().isEmpty() && texts.size() < kSendHistoryLimit)
            texts << v.toString();
    return texts;
}

QStringList withSent(QStringList history, const QString &text)
{
    if (text.isEmpty() || text.size() > kSendHistoryLongest)
        return history;
    history.removeAll(text);
    history.prepend(text);
    while (history.size() > kSendHistoryLimit)
        history.removeLast();
    return history;
}

void rememberSent(const QString &text)
{
    const QStringList before = sendHistory();
    const QStringList after = withSent(before, text);
    // Sending the same text again and again writes nothing.
    if (after == before)
        return;
    writeSetting(kSection, kKey,
                 QString::fromUtf8(QJsonDocument(QJsonArray::fromStringList(after)).toJson(QJsonDocument::Compact)));
}

std::optional<QString> HistorySteps::older(const QStringList &history, const QString &shown)
{
    if (m_position + 1 >= history.size())
        return std::nullopt;
    if (m_position < 0)
        m_draft = shown;
    ++m_position;
    return history.at(m_position);
}

std::optional<QString> HistorySteps::newer(const QStringList &history, const QString &shown)
{
    Q_UNUSED(shown);
    if (m_position < 0)
        return std::nullopt;
    --m_position;
    if (m_position < 0)
        return m_draft;
    // The history may have been cleared meanwhile.
    if (m_position >= history.size())
        m_position = int(history.size()) - 1;
    return m_position < 0 ? m_draft : history.at(m_position);
}

} // namespace kestrum
