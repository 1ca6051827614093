#pragma once
#include "core/autosavefiles.h"
#include "core/devicewatch.h"
#include "core/logchoices.h"
#include "core/messageline.h"
#include "core/options.h"
#include "core/portevents.h"
#include "core/receivedstore.h"
#include "core/sendbytes.h"
#include <QObject>
#include <QString>
#include <exception>
#include <functional>

class QTimer;

namespace kestrum {

class FileSender;
class MSComm;

// What the save and exit steps share, in one place for the whole run.
struct DocumentState {
    // A received message was put in the document (never cleared).
    qint16 dataReceived = 0;
    // A document was loaded with Open (never cleared), and from which file.
    qint16 fileOpened = 0;
    QString openedFileName;
    // The exit check found nothing to save and is closing every window.
    qint16 exitConfirmed = 0;
};

// What Apply did not take: the texts out of their range (neither stored nor
// applied), and the failure that ended it, if one did.
struct Configured {
    QList<Setting> refused;
    std::exception_ptr failure;
};

enum class SendResult { Sent, TooLong, Failed };

// Runs one step of a sequence that goes on past a failure: reports it and
// returns whether the step succeeded.
using StepRunner = std::function<bool(const std::function<void()> &)>;

// One run of the terminal without its windows: the serial-port object, the
// receive framing with its timer and message counter, the received
// document, the live options, the autosave file, and the flags the save and
// exit steps share. It reports through signals and return values; the
// window shows what it reports.
//
// Receive framing, driven by port events and timer ticks:
//   Idle      nothing under way. A port event starts the timer: Counting.
//   Counting  the timer runs; its next tick counts the message: Reading.
//   Reading   the message is counted; the next tick takes what waits as the
//             message and goes back to Idle. A tick that finds nothing
//             leaves the message to the next port event that brings data.
// Taking the message always comes after the events already pending (a
// click, a port event) have run, then runs to its end without yielding.
class Session : public QObject {
    Q_OBJECT
public:
    enum class Framing { Idle, Counting, Reading };

    explicit Session(QObject *parent = nullptr);
    ~Session() override;

    ReceivedStore &document() { return m_document; }
    LiveOptions &options() { return m_options; }
    DocumentState &state() { return m_state; }

    // The port as the windows work it; each step throws Error on failure.
    bool isPortOpen() const;
    // 1 = "COM1".
    int portNumber() const;
    void setPortNumber(int port);
    // Opens the port unless it is open; closes it if it is.
    void openPort();
    void closePort();
    // Opens the port on this device, whatever its number stands for now.
    void openDevice(const QString &device);
    // "9600,n,8,1": kept as given, then handed to the port, which keeps the
    // parameters it had when it refuses them (Error).
    void setLineParameters(const QString &text);
    QString lineParameters() const { return m_lineParameters; }
    // As the port holds them.
    QString portLineParameters() const;
    int inBufferSize() const;
    int outBufferSize() const;

    // Start-up, from the store: the receive timeout (Error when it is not a
    // number of at least 1 ms; the interval stays).
    void loadReceiveTimeout();
    // Start-up, from the store: the line parameters given, the buffer sizes
    // and line switches, then the port opened. Each step runs through step;
    // a switch that is not a number is reported and taken as off.
    void startPort(const QString &lineParameters, const StepRunner &step);
    // Apply: stores the options and gives the port and the timer theirs. A
    // text out of its range is refused and the next goes on; a failure
    // ends it, what was done before staying done.
    Configured configure(const Options &o);

    // For tests and benchmarks, which look at the port and the timer
    // themselves; the windows go through the operations above.
    MSComm *port() const { return m_port; }
    QTimer *receiveTimer() const { return m_timer; }

    Framing framing() const { return m_framing; }
    // 1 from the count of a message until its line is shown.
    qint16 receiving() const { return m_framing == Framing::Reading ? 1 : 0; }
    // The second tick has come and no data waited.
    bool isWaitingForData() const { return m_waiting; }
    qint32 messageCount() const { return m_count; }
    void setMessageCount(qint32 count) { m_count = count; }

    // The port's event and the timer's tick (connected here; the window's
    // handlers of the same names call them too).
    void portEvent();
    void tick();
    // The timer is stopped by someone other than the framing (Apply).
    void stopReceiveTimer();
    // The program is leaving: a message waiting for data is dropped.
    void abandonWait();

    // Clear: the document and the counter; a message under way goes on.
    void clear();
    // Send: the text read in the mode (a text that does not read is
    // refused with a message: nothing is sent), the length check on the
    // bytes to be sent, the code-page check, the port opened if it is not,
    // the bytes out, then their line when sent lines are shown. TooLong:
    // the length check refused the text (the window warns); Failed: a
    // failure was reported and nothing went out.
    SendResult send(const QString &text, SendMode mode = SendMode::Text);
    // Starts sending a file (the port opened if it is not); throws Error
    // when it cannot start: nothing is sent then. When the send is over,
    // its line names the file and the bytes sent, if sent lines are shown.
    void sendFile(const QString &path);
    FileSender *fileSender() const { return m_fileSender; }
    // Send break: the port opened if it is not; throws Error.
    void sendBreak();

    // The log's choices (files by day or size, port events, finer stamps),
    // read from the store at first use; set takes effect with the next line
    // and stores them when asked.
    const LogChoices &logChoices();
    void setLogChoices(const LogChoices &c, bool store = true);
    // The autosave file written now: with a file each day or at a size, the
    // dated one (what the autosave line names).
    QString autosaveFileNow();
    // Off: lines reach the autosave file and lineWritten only, and the
    // document stays empty (the recorder's memory does not grow).
    void setKeepsDocument(bool keep) { m_keepDocument = keep; }
    // The program is ending: the message under way, and whatever the port
    // and the system hold, end now as messages, so that all is written.
    void endMessageNow();

signals:
    // A message was counted.
    void counted(qint32 count);
    // Lines were put in front of the document.
    void documentGrew();
    // A received message was shown.
    void messageShown();
    // A step failed; the description is the message for the user.
    void failure(const QString &description);
    // The device was lost: at once when no message is under way, otherwise
    // once the message is done.
    void deviceLost(const QString &description);
    // Any loss of the port's device, also one that failed a send: the path
    // and what it led to when opened; and every opening of the port.
    void deviceGone(const QString &device, const kestrum::DeviceIdentity &opened);
    void portOpened();
    // The port was opened, closed, lost or opened again (whether or not the
    // log shows port events).
    void portEventHappened(const kestrum::PortEvent &event);
    // A line was put in the log (document and autosave file), with its CR LF:
    // received, sent or a port event.
    void lineWritten(const QByteArray &line);
    // The autosave went to another file than the record before (a new day,
    // a size reached, another file chosen).
    void autosaveFileChanged(const QString &path);

private:
    void portLost(const QString &description);
    void readWhenPending();
    void takeMessage();
    // arrived: when the message's first byte arrived (invalid: now).
    void finish(QByteArray data, const QString &failure, const QDateTime &arrived = {});
    void backToIdle();
    void prependLine(const QString &line);
    void autosave(const Options &o, QByteArrayView line, const QDateTime &when = {});
    // session_log.cpp: the log's stamps, files and port events.
    void connectPortEvents();
    Stamp receivedStamp(const QDateTime &arrived);
    Stamp sentStamp();
    void notePortEvent(PortEvent::Kind kind);
    void writeEventLine(const QByteArray &line, const QDateTime &at);
    void writeHeldEvents();
    void showSent(const QString &shown, qsizetype size);
    void fileSent(qint64 sent, bool complete, const QString &failure);

    MSComm *m_port;
    FileSender *m_fileSender;
    QTimer *m_timer;
    ReceivedStore m_document;
    LiveOptions m_options;
    Framing m_framing = Framing::Idle;
    bool m_waiting = false;
    bool m_readQueued = false;
    qint32 m_count = 0;
    // The bytes of the message being taken received with a parity error.
    std::vector<qsizetype> m_parityErrors;
    QString m_pendingLoss;
    QString m_lineParameters;
    DocumentState m_state;
    std::optional<LogChoices> m_log;
    AutosaveFiles m_files;
    QString m_lastFile;
    PortEventLog m_portEvents;
    // The device the port was opened on, for the event lines.
    QString m_eventDevice;
    bool m_eventOpen = false;
    // Event lines that wait for the message under way, which came before.
    QList<std::pair<QByteArray, QDateTime>> m_heldEvents;
    QDateTime m_lastArrival;
    bool m_keepDocument = true;
};

} // namespace kestrum
