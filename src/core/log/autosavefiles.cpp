#include "core/log/autosavefiles.h"
#include "core/base/clock.h"
#include "core/document/textfile.h"
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace kestrum {

namespace {

// The chosen name split where the date goes: before the last extension of
// the file's name, or at its end when it has none (".log" has none).
std::pair<QString, QString> splitName(const QString &chosen)
{
    const qsizetype slash = qMax(chosen.lastIndexOf(QLatin1Char('/')), chosen.lastIndexOf(QLatin1Char('\\')));
    const qsizetype dot = chosen.lastIndexOf(QLatin1Char('.'));
    if (dot > slash + 1)
        return {chosen.left(dot), chosen.mid(dot)};
    return {chosen, QString()};
}

} // namespace

AutosaveFiles::AutosaveFiles(Clock *clock) : m_clock(clock) {}

void AutosaveFiles::setPolicy(FilePolicy policy, qint64 sizeLimit)
{
    if (policy != m_policy)
        unsure();
    m_policy = policy;
    m_limit = qMax<qint64>(1, sizeLimit);
}

QString AutosaveFiles::dayFile(const QString &chosen, QDate day, int n)
{
    const auto [stem, extension] = splitName(chosen);
    QString name = stem + QLatin1Char(' ') + day.toString(QStringLiteral("yyyy-MM-dd"));
    if (n > 1)
        name += QStringLiteral(" (%1)").arg(n);
    return name + extension;
}

void AutosaveFiles::resume(const QString &chosen, QDate day)
{
    m_chosen = chosen;
    m_day = day;
    m_number = 1;
    // The day's highest number that exists (a gap left by a file deleted
    // since does not matter).
    const QString first = dayFile(chosen, day, 1);
    const QFileInfo firstInfo(first);
    const auto [stem, extension] = splitName(firstInfo.fileName());
    const QRegularExpression numbered(QLatin1Char('^') + QRegularExpression::escape(stem)
                                      + QStringLiteral("(?: \\((\\d{1,9})\\))?")
                                      + QRegularExpression::escape(extension) + QLatin1Char('$'));
    const QDir folder = firstInfo.absoluteDir();
    for (const QString &name : folder.entryList({stem + QLatin1Char('*')}, QDir::Files | QDir::Hidden)) {
        const QRegularExpressionMatch m = numbered.match(name);
        if (m.hasMatch())
            m_number = qMax(m_number, m.captured(1).isEmpty() ? 1 : m.captured(1).toInt());
    }
    m_size = QFileInfo(dayFile(chosen, day, m_number)).size();
}

QString AutosaveFiles::pathFor(const QString &chosen, qint64 bytes, const QDateTime &when)
{
    // Without a name the write fails with the message that says so.
    if (m_policy == FilePolicy::OneFile || chosen.isEmpty())
        return chosen;
    QDate day = (when.isValid() ? when : (m_clock ? *m_clock : clock()).now()).toLocalTime().date();
    if (chosen == m_chosen && day < m_day)
        day = m_day;
    if (chosen != m_chosen || day != m_day)
        resume(chosen, day);
    if (m_policy == FilePolicy::AtSize) {
        while (m_size > 0 && m_size >= m_limit) {
            ++m_number;
            m_size = QFileInfo(dayFile(chosen, day, m_number)).size();
        }
    }
    m_size += bytes;
    return dayFile(chosen, m_day, m_number);
}

QString AutosaveFiles::append(const QString &chosen, QByteArrayView line, const QDateTime &when)
{
    const QString path = pathFor(chosen, line.size() + 2, when);
    try {
        appendRecordBytes(path, line);
    } catch (...) {
        // What reached the file is not known: it is looked at again next time.
        unsure();
        throw;
    }
    return path;
}

QString AutosaveFiles::currentFile(const QString &chosen)
{
    if (m_policy == FilePolicy::OneFile || chosen.isEmpty())
        return chosen;
    if (chosen == m_chosen)
        return dayFile(chosen, m_day, m_number);
    return pathFor(chosen, 0, {});
}

} // namespace kestrum
