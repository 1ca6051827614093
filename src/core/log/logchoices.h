#pragma once
#include <QtGlobal>

namespace kestrum {

// How the autosave file is cut: never (one file that grows, as always), at
// local midnight, or at local midnight and whenever the file has reached a
// size.
enum class FilePolicy { OneFile = 0, EachDay = 1, AtSize = 2 };

// The log's choices beside the Options window's: kept in the store's "Log"
// section, which clearing the settings removes. All off by default, which
// leaves the box, the autosave file and every stamp as they were.
struct LogChoices {
    FilePolicy files = FilePolicy::OneFile;
    // Where a new file starts with FilePolicy::AtSize, in MB of 1,048,576
    // bytes (fractions allowed).
    double fileSizeMB = 100;
    // Opened, closed, lost and opened again, as lines of the log.
    bool portEvents = false;
    // The time stamp with milliseconds.
    bool milliseconds = false;
    // The gap to the message before, in milliseconds.
    bool sinceLast = false;

    qint64 fileSizeBytes() const;

    // From the store: a value out of shape is the default.
    static LogChoices stored();
    void store() const;
};

} // namespace kestrum
