#include "app/recorder.h"
#include "app/commandline.h"
#include "core/codec.h"
#include "core/devicewatch.h"
#include "core/error.h"
#include "core/session.h"
#include "core/settingkeys.h"
#include "ui/common/captions.h"
#include <QCoreApplication>
#include <QFileInfo>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace kestrum {

namespace {

// The signal handler only writes a byte here; the event loop reads it and
// ends the recording, so nothing but write() runs inside the handler.
int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    // A full pipe already holds a wake-up.
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
    errno = saved;
}

bool catchSignals()
{
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    // A reader of --echo that goes away ends the echo, not the recording.
    std::signal(SIGPIPE, SIG_IGN);
    return ::sigaction(SIGINT, &sa, nullptr) == 0 && ::sigaction(SIGTERM, &sa, nullptr) == 0;
}

void printLine(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = (text + QLatin1Char('\n')).toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

void printFailure(const QString &description) { printLine(stderr, QStringLiteral("kestrum: ") + description); }

// Where FILE's records go can be written: its folder, and FILE itself when
// it is there.
QString unwritable(const QString &file)
{
    const QFileInfo info(file);
    const QFileInfo folder(info.absolutePath());
    if (!folder.isDir())
        return QCoreApplication::translate("Recorder", "%1 cannot be written: the folder %2 does not exist.")
            .arg(file, folder.filePath());
    if (info.exists() && (!info.isFile() || !info.isWritable()))
        return QCoreApplication::translate("Recorder", "%1 cannot be written: it is not a file this user may write.")
            .arg(file);
    if (!folder.isWritable())
        return QCoreApplication::translate("Recorder", "%1 cannot be written: this user may not write in the folder %2.")
            .arg(file, folder.filePath());
    return QString();
}

} // namespace

int runRecorder(const CommandLine &cmd, int &argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // Messages in the interface's language, as the window would show them.
    useStoredLanguage();
    if (!catchSignals()) {
        printFailure(QString::fromLocal8Bit(std::strerror(errno)));
        return RecordFileNotWritable;
    }

    const QString file = QFileInfo(cmd.recordFile).absoluteFilePath();
    if (const QString why = unwritable(file); !why.isEmpty()) {
        printFailure(why);
        return RecordFileNotWritable;
    }

    Session session;
    // Every line goes to the file only: memory does not grow with the run.
    session.setKeepsDocument(false);
    Options o = Options::stored();
    o.autosave = true;
    o.autosaveFile = file;
    session.options().set(o);
    LogChoices choices = session.logChoices();
    if (cmd.newFileMB) {
        choices.files = *cmd.newFileMB > 0 ? FilePolicy::AtSize : FilePolicy::EachDay;
        if (*cmd.newFileMB > 0)
            choices.fileSizeMB = *cmd.newFileMB;
    }
    session.setLogChoices(choices, false);

    QObject::connect(&session, &Session::portEventHappened, &app,
                     [](const PortEvent &e) { printLine(stderr, portEventMessage(e)); });
    QObject::connect(&session, &Session::failure, &app, printFailure);
    if (cmd.echo) {
        QObject::connect(&session, &Session::lineWritten, &app, [echoing = true](const QByteArray &line) mutable {
            if (!echoing)
                return;
            QByteArray shown = fromAnsi(line.chopped(2)).toLocal8Bit();
            shown += '\n';
            echoing = std::fwrite(shown.constData(), 1, size_t(shown.size()), stdout) == size_t(shown.size())
                      && std::fflush(stdout) == 0;
        });
    }
    // A device that goes away is opened again when it comes back, as the
    // window does.
    DeviceWatch watch([&session](const QString &device) {
        try {
            session.openDevice(device);
            return true;
        } catch (const Error &) {
            return false;
        }
    });
    QObject::connect(&session, &Session::deviceGone, &watch, &DeviceWatch::watch);
    QObject::connect(&session, &Session::portOpened, &watch, &DeviceWatch::stop);

    QString line = cmd.lineParameters;
    if (!line.isEmpty()) {
        try {
            session.setLineParameters(line);
        } catch (const Error &e) {
            printFailure(QStringLiteral("--line: ") + e.description());
            return 2;
        }
    } else {
        line = QStringList{readSetting(Setting::BaudRate), readSetting(Setting::Parity), readSetting(Setting::DataBits),
                           readSetting(Setting::StopBits)}
                   .join(QLatin1Char(','));
    }
    const auto step = [](const std::function<void()> &s) {
        try {
            s();
            return true;
        } catch (const Error &e) {
            printFailure(e.description());
            return false;
        }
    };
    step([&] { session.setPortNumber(cmd.recordPort); });
    step([&] { session.loadReceiveTimeout(); });
    session.startPort(line, step);
    if (!session.isPortOpen())
        return RecordPortNotOpened;

    QSocketNotifier stop(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&stop, &QSocketNotifier::activated, &app, [&] {
        stop.setEnabled(false);
        // What arrived up to now is written, and the port's close is the
        // log's last line.
        session.endMessageNow();
        watch.stop();
        step([&] { session.closePort(); });
        // Long records still on their way to the file get there.
        session.finishRecords();
        app.quit();
    });
    app.exec();
    return 0;
}

} // namespace kestrum
