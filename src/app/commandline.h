#pragma once
#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

namespace kestrum {

// What the command line asks for. Parsed before any window-system or
// application object exists, so that --help, --version and a mistake need
// no display and leave nothing behind.
struct CommandLine {
    enum Action { Run, Record, Help, Version, Error };
    Action action = Run;
    // The help or version text (standard output), or the error message
    // (standard error).
    QString text;
    // Port number (1 = COM1) to device, for this run only.
    QMap<int, QString> ports;
    // Where the stable device links are looked for; "" for the system's folder.
    QString byIdFolder;

    // Record: the file every message goes to, the port recorded (the one
    // --port names, else COM1), the line parameters for this run ("" for the
    // stored ones), a new file each day (0) or at a size in MB (this run's
    // choice over the stored one), and every line on standard output too.
    QString recordFile;
    int recordPort = 1;
    QString lineParameters;
    std::optional<double> newFileMB;
    bool echo = false;
};

// Exit statuses of the recorder (besides 0 and 2, a command-line mistake).
enum RecordStatus { RecordPortNotOpened = 3, RecordFileNotWritable = 4 };

// arguments[0] is the program's name.
CommandLine parseCommandLine(const QStringList &arguments);

// Prints what a Help, Version or Error result says where it belongs and
// gives the exit status (0, or 2 for an error).
int reportCommandLine(const CommandLine &cmd);

QStringList argumentList(int argc, char **argv);

} // namespace kestrum
