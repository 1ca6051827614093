#pragma once
#include "core/log/logchoices.h"
#include <QByteArrayView>
#include <QDate>
#include <QDateTime>
#include <QString>

namespace kestrum {

class Clock;

// Which file each record of the autosave goes to. With one file, the chosen
// file, as always. Otherwise a file of the day, named from the chosen one
// with the date before its extension ("SaveBlock1 2026-12-08.txt"), and with
// a size limit a number after the date for the second file of a day on
// ("SaveBlock1 2026-12-08 (2).txt"). A record is never cut: one that takes
// the file past the size goes into it whole, and the next starts a new one.
// A day starts at local midnight. On the first record (after a restart, or
// a change of the chosen file) the day's highest numbered file that exists
// is continued, unless it has reached the size. Time never runs back here:
// a record stamped before the day of the last one (the clock set back) goes
// to the last one's file.
class AutosaveFiles {
public:
    // Without a clock, the program's (clock()).
    explicit AutosaveFiles(Clock *clock = nullptr);

    void setPolicy(FilePolicy policy, qint64 sizeLimit);
    FilePolicy policy() const { return m_policy; }

    // Appends the record (the line, then CR LF) to the file it belongs in,
    // as appendRecordBytes() does, and returns that file. when is the
    // record's time (invalid: the clock's now). Throws Error.
    QString append(const QString &chosen, QByteArrayView line, const QDateTime &when = {});
    // The file a record of bytes bytes (its CR LF counted) at when belongs
    // in, taken as written there: the records' writer appends it, in the
    // order they were given here.
    QString pathFor(const QString &chosen, qint64 bytes, const QDateTime &when = {});
    // The file the last record went to; before any, the one the next would.
    QString currentFile(const QString &chosen);
    // A write failed and what reached the file is not known: the file's
    // size is looked at again with the next record.
    void unsure() { m_chosen.clear(); }

    // The n-th file of a day (n from 1).
    static QString dayFile(const QString &chosen, QDate day, int n);

private:
    void resume(const QString &chosen, QDate day);

    Clock *m_clock;
    FilePolicy m_policy = FilePolicy::OneFile;
    qint64 m_limit = 100 * 1048576;
    // The file being written: its chosen name, day, number and size.
    QString m_chosen;
    QDate m_day;
    int m_number = 1;
    qint64 m_size = 0;
};

} // namespace kestrum
