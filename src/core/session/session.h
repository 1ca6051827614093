#pragma once
#include "core/log/autosavefiles.h"
#include "core/devices/devicewatch.h"
#include "core/board/flowcontrol.h"
#include "core/log/logchoices.h"
#include "core/log/messageline.h"
#include "core/settings/options.h"
#include "core/log/portevents.h"
#include "core/document/receivedstore.h"
#include "core/sending/sendbytes.h"
#include <QObject>
#include <QString>
#include <exception>
#include <functional>
#include <optional>

namespace kestrum {

class FileSender;
class MSComm;
class PortLines;
class RecordWriter;
struct ReceivedMessage;

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
// message counter, the received document, the live options, the autosave
// file, and the flags the save and exit steps share. It reports through
// signals and return values; the window shows what it reports.
//
// Receive framing is done where the bytes are read, by their arrival times
// (the port's reader thread, see Framer); the session follows it:
//   Idle      nothing under way.
//   Counting  a message has begun (its first byte, or a port event).
//   Reading   it has lasted one receive timeout and is counted; at two it
//             is shown and the session is Idle again. Two timeouts without
//             a byte leave it waiting for the next bytes, which end it.
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

    // For tests and benchmarks, which look at the port themselves; the
    // windows go through the operations above.
    MSComm *port() const { return m_port; }

    // The receive timeout in milliseconds: for messages that begin from now
    // on.
    int receiveTimeout() const;
    void setReceiveTimeout(int ms);

    Framing framing() const;
    // 1 from the count of a message until its line is shown.
    qint16 receiving() const { return m_counted ? 1 : 0; }
    // Two timeouts have passed and no byte came.
    bool isWaitingForData() const { return m_waiting; }
    qint32 messageCount() const { return m_count; }
    void setMessageCount(qint32 count) { m_count = count; }

    // A port event without data (the window's handler of the port's event)
    // and the receive timer's tick given by hand (the handler of the
    // timer's).
    void portEvent();
    void tick();
    // The program is leaving: a message waiting for data is dropped.
    void abandonWait();
    // Every autosave record given so far is in its file.
    void finishRecords();

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

    // What Send adds after the text in the text and escape modes: counted
    // by the length check and the sent line's size, not shown in the line.
    // Kept in the settings.
    LineEnding lineEnding() const { return m_lineEnding; }
    void setLineEnding(LineEnding ending);
    // Put on the open line at once (throws Error when refused: the previous
    // one stays, and is what is kept) and at every open; kept in the
    // settings.
    FlowControl flowControl() const;
    void setFlowControl(FlowControl f);
    // DTR and RTS by hand, the board's resets, the lamps' lines.
    PortLines *lines() const;

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
    // The program is ending: what the system holds for the port is read,
    // then the reader lets go of it and the message under way ends now with
    // what arrived, so that everything received is given its line. The port
    // stays open (its close is the caller's, and the log's next line).
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
    void messageCounted();
    void waitingForData();
    // The receiver takes the message's bytes.
    void finish(ReceivedMessage *message);
    void portClosed();
    void backToIdle();
    void prependLine(const QString &line);
    // when: the record's time, for the file of its day (invalid: now).
    void autosave(const Options &o, const QByteArray &line, qsizetype length, const QDateTime &when = {});
    // session_log.cpp: the log's stamps, files and port events.
    void connectPortEvents();
    // The stamp of a received message: with milliseconds or the gap chosen,
    // the time its first byte arrived; otherwise the clock's now, as ever.
    Stamp receivedStamp(const ReceivedMessage &message);
    Stamp sentStamp();
    void notePortEvent(PortEvent::Kind kind);
    void writeEventLine(const QByteArray &line, const QDateTime &at);
    // Once no message that arrived before them waits to be shown; leaving:
    // at once.
    void writeHeldEvents(bool leaving = false);
    void showSent(const QString &shown, qsizetype size);
    void fileSent(qint64 sent, bool complete, const QString &failure);
    // The stored line ending and flow control; the lines' failures told.
    void setUpBoard();

    MSComm *m_port;
    FileSender *m_fileSender;
    RecordWriter *m_records;
    ReceivedStore m_document;
    LiveOptions m_options;
    bool m_counted = false;
    bool m_waiting = false;
    qint32 m_count = 0;
    QString m_lineParameters;
    DocumentState m_state;
    LineEnding m_lineEnding = LineEnding::None;
    std::optional<LogChoices> m_log;
    AutosaveFiles m_files;
    QString m_lastFile;
    PortEventLog m_portEvents;
    // The device the port was opened on, for the event lines.
    QString m_eventDevice;
    bool m_eventOpen = false;
    // Event lines that wait for the messages which arrived before them and
    // are not yet shown.
    QList<std::pair<QByteArray, QDateTime>> m_heldEvents;
    // The last received message's first byte, milliseconds since 1970.
    std::optional<qint64> m_lastArrivalMs;
    bool m_keepDocument = true;
};

} // namespace kestrum
