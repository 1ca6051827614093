#include "app/commandline.h"
#include <QCommandLineParser>
#include <QRegularExpression>
#include <cstdio>

#ifndef KESTRUM_VERSION
#error "KESTRUM_VERSION comes from the project version in CMakeLists.txt"
#endif

namespace kestrum {

namespace {

constexpr int portCount = 3;  // the port list offers COM1 to COM3

CommandLine failure(const QString &message)
{
    CommandLine cmd;
    cmd.action = CommandLine::Error;
    cmd.text = QStringLiteral("kestrum: %1\nTry 'kestrum --help' for more information.\n").arg(message);
    return cmd;
}

} // namespace

CommandLine parseCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Serial terminal for a microcontroller's UART: sends the send box out of a\n"
                       "serial port and shows what comes back as messages, newest first."));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version and exit."));
    const QCommandLineOption port(
        QStringLiteral("port"),
        QStringLiteral("Use DEVICE for port COMn (1 to %1) in this run, before any [Ports] entry "
                       "of the settings file, which stays as it is. May be given once per port.")
            .arg(portCount),
        QStringLiteral("COMn=DEVICE"));
    const QCommandLineOption byId(QStringLiteral("by-id"),
                                  QStringLiteral("Look for the stable names of serial devices in FOLDER instead of "
                                                 "/dev/serial/by-id (links to the devices, as udev makes them)."),
                                  QStringLiteral("FOLDER"));
    const QCommandLineOption record(
        QStringLiteral("record"),
        QStringLiteral("Record without a window: open the port (COM1, or the one --port names) and write every "
                       "message to FILE, as the autosave file, until SIGINT or SIGTERM. Needs no display. The "
                       "stored line parameters, receive timeout, stamps and log choices apply. Port events go "
                       "to standard error, one line each. Exit status: 0 after a signal, 2 for a mistake on the "
                       "command line, 3 when the port cannot be opened, 4 when FILE cannot be written."),
        QStringLiteral("FILE"));
    const QCommandLineOption line(QStringLiteral("line"),
                                  QStringLiteral("With --record: the line parameters for this run, e.g. 115200,n,8,1 "
                                                 "(baud rate, parity n/e/o/m/s, data bits, stop bits)."),
                                  QStringLiteral("PARAMETERS"));
    const QCommandLineOption newFile(QStringLiteral("new-file"),
                                     QStringLiteral("With --record: a new file each day ('day'), or each day and "
                                                    "whenever the file has reached SIZE_MB megabytes (of 1,048,576 "
                                                    "bytes); the date goes before FILE's extension."),
                                     QStringLiteral("day|SIZE_MB"));
    const QCommandLineOption echo(QStringLiteral("echo"),
                                  QStringLiteral("With --record: write each line to standard output too."));
    parser.addOptions({help, version, port, byId, record, line, newFile, echo});

    if (!parser.parse(arguments))
        return failure(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return failure(QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().constFirst()));

    CommandLine cmd;
    static const QRegularExpression mapping(QStringLiteral("^COM([0-9]+)=(.*)$"),
                                            QRegularExpression::CaseInsensitiveOption);
    for (const QString &value : parser.values(port)) {
        const QRegularExpressionMatch m = mapping.match(value);
        if (!m.hasMatch())
            return failure(QStringLiteral("--port wants COMn=DEVICE, e.g. COM1=/dev/ttyUSB0, not '%1'").arg(value));
        bool ok = false;
        const int n = m.captured(1).toInt(&ok);
        if (!ok || n < 1 || n > portCount)
            return failure(QStringLiteral("--port %1: there is no port COM%2; the ports are COM1 to COM%3")
                               .arg(value, m.captured(1))
                               .arg(portCount));
        const QString device = m.captured(2).trimmed();
        if (device.isEmpty())
            return failure(QStringLiteral("--port %1: no device given").arg(value));
        if (cmd.ports.contains(n) && cmd.ports.value(n) != device)
            return failure(QStringLiteral("--port: COM%1 is given twice, as %2 and as %3")
                               .arg(n)
                               .arg(cmd.ports.value(n), device));
        cmd.ports.insert(n, device);
    }

    if (parser.isSet(record)) {
        cmd.recordFile = parser.value(record);
        if (cmd.recordFile.trimmed().isEmpty())
            return failure(QStringLiteral("--record: no file given"));
        if (cmd.ports.size() > 1)
            return failure(QStringLiteral("--record records one port: give --port once"));
        if (!cmd.ports.isEmpty())
            cmd.recordPort = cmd.ports.firstKey();
    } else {
        for (const QCommandLineOption *o : {&line, &newFile, &echo})
            if (parser.isSet(*o))
                return failure(QStringLiteral("--%1 is for --record").arg(o->names().constFirst()));
    }
    if (parser.isSet(line)) {
        cmd.lineParameters = parser.value(line).trimmed();
        if (cmd.lineParameters.isEmpty())
            return failure(QStringLiteral("--line: no parameters given"));
    }
    if (parser.isSet(newFile)) {
        const QString value = parser.value(newFile).trimmed();
        bool ok = false;
        const double mb = value.toDouble(&ok);
        if (value.compare(QLatin1String("day"), Qt::CaseInsensitive) == 0)
            cmd.newFileMB = 0;
        else if (ok && mb > 0 && mb <= 1e9)
            cmd.newFileMB = mb;
        else
            return failure(QStringLiteral("--new-file wants 'day' or a size in MB greater than 0, not '%1'").arg(value));
    }
    cmd.echo = parser.isSet(echo);

    if (parser.isSet(byId)) {
        cmd.byIdFolder = parser.value(byId).trimmed();
        if (cmd.byIdFolder.isEmpty())
            return failure(QStringLiteral("--by-id: no folder given"));
    }

    // A well-formed line with --help shows the help whatever else it asks.
    if (parser.isSet(help)) {
        cmd.action = CommandLine::Help;
        // Qt names the program after argv[0], or a placeholder before the
        // application object exists; the help speaks of the installed command.
        cmd.text = parser.helpText().replace(QRegularExpression(QStringLiteral("^Usage: \\S+")),
                                             QStringLiteral("Usage: kestrum"));
    } else if (parser.isSet(version)) {
        cmd.action = CommandLine::Version;
        cmd.text = QStringLiteral("kestrum %1\n").arg(QStringLiteral(KESTRUM_VERSION));
    } else if (!cmd.recordFile.isEmpty()) {
        cmd.action = CommandLine::Record;
    }
    return cmd;
}

int reportCommandLine(const CommandLine &cmd)
{
    const QByteArray text = cmd.text.toLocal8Bit();
    std::FILE *stream = cmd.action == CommandLine::Error ? stderr : stdout;
    std::fwrite(text.constData(), 1, size_t(text.size()), stream);
    std::fflush(stream);
    return cmd.action == CommandLine::Error ? 2 : 0;
}

QStringList argumentList(int argc, char **argv)
{
    QStringList list;
    for (int i = 0; i < argc; ++i)
        list << QString::fromLocal8Bit(argv[i]);
    return list;
}

} // namespace kestrum
