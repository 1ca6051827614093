#pragma once
#include "core/devices/devicewatch.h"
#include "core/board/flowcontrol.h"
#include "core/port/framer.h"
#include "core/port/portreader.h"
#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <deque>

class QSocketNotifier;

namespace kestrum {

class PortLines;

// The program's serial-port object. Members keep the names the windows use;
// every failure throws Error with a description for the message box.
//
// The port is set up, written and closed here, on the owner's thread, through
// QSerialPort; what arrives is read by the port's reader thread
// (PortReader), which frames the messages, and comes back here as the
// signals below, in the order it happened.
class MSComm : public QObject {
    Q_OBJECT
public:
    explicit MSComm(QObject *parent = nullptr);
    ~MSComm() override;

    // Port number, 1 = "COM1". Only while the port is closed.
    int CommPort() const { return m_commPort; }
    void setCommPort(int port);

    // "baud,parity,databits,stopbits", e.g. "9600,n,8,2". A text that does not
    // parse is refused and the previous parameters stay. Takes effect at once
    // on an open port.
    QString Settings() const;
    void setSettings(const QString &text);

    bool PortOpen() const;
    void setPortOpen(bool open);
    // Opens the port on this device, whatever its number stands for now (a
    // lost device that came back), as setPortOpen(true) would.
    void openDevice(const QString &device);

    int InBufferSize() const { return m_inBufferSize; }
    void setInBufferSize(int size);
    int OutBufferSize() const { return m_outBufferSize; }
    void setOutBufferSize(int size);

    bool NullDiscard() const { return m_nullDiscard; }
    void setNullDiscard(bool on);
    bool RTSEnable() const { return m_rtsEnable; }
    void setRTSEnable(bool on);
    bool DTREnable() const { return m_dtrEnable; }
    void setDTREnable(bool on);
    // Put on the line at once when open (Error when the device refuses it;
    // the previous one stays), and at every open.
    FlowControl flowControl() const { return m_flowControl; }
    void setFlowControl(FlowControl f);
    // DTR and RTS by hand, the board's resets, the modem lines followed.
    PortLines *lines() const { return m_lines; }

    // Queues every character as one Windows-1251 byte; does not wait.
    void setOutput(const QString &text);
    // Queues the bytes as they are; does not wait.
    void writeBytes(const QByteArray &bytes);
    // Bytes queued that the device has not taken yet.
    qint64 bytesToWrite() const;
    // Drops what is queued and not yet on the line: the port's own buffer
    // and the system's queue for the line. Says how many bytes that was, as
    // far as the system tells: a pseudo-terminal reports no queue, yet the
    // drop throws away what the other side has not read (known is false).
    struct Discarded {
        qint64 bytes = 0;
        bool known = true;
    };
    Discarded discardOutput();
    // Holds the line in the break condition for ms milliseconds; returns at once.
    void sendBreak(int ms);
    bool isBreakOn() const;
    // Characters a second at the line's speed (start, data, parity and stop
    // bits each).
    double lineBytesPerSecond() const;

    // Receive framing (see Framer): a message is what arrives within two
    // receive timeouts of its first byte. The timeout counts for messages
    // that begin from then on.
    int receiveTimeout() const { return m_receiveTimeout; }
    void setReceiveTimeout(int ms);
    // An event of the port without data (a modem line): a message begins
    // now on a quiet line.
    void beginMessage();
    // The receive timer's tick, given by hand: the message under way is
    // counted, or, counted already, ends with what has arrived.
    void tick();
    // The program is leaving: a message waiting for its bytes is given up.
    void abandonWait();
    // The framing as it stands on the reader's side, and the bytes of the
    // message under way there.
    Framer::State framing() const { return m_reader.state(); }
    qsizetype gathered() const { return m_reader.gathered(); }
    // Something received is not handed over yet: a message under way, or
    // ended and not yet taken.
    bool receiving() const;
    // The program is ending: the reader reads what the system holds for the
    // line until the line has been quiet for 100 ms (for at most 3 s: a
    // source that never pauses is cut), lets go of it, and the message under
    // way ends now with what arrived, all handed over before this returns.
    // The port stays open.
    void endReading();
    // Why a message cannot be taken from the closed port.
    QString notOpenReason() const;

    // The parsed line parameters as held by the object.
    int baudRate() const { return m_baud; }
    QChar parity() const { return m_parity; }
    int dataBits() const { return m_dataBits; }
    QString stopBits() const { return m_stopBits; }

    // The device the current port number stands for ("" when none).
    QString deviceName() const;
    // "COM1 (/dev/ttyUSB0)".
    QString portLabel() const;
    // The port was last closed because its device went away.
    bool closedByLoss() const { return !m_port->isOpen() && !m_lostReason.isEmpty(); }

signals:
    // The message under way has lasted one receive timeout.
    void messageCounted();
    // Its two timeouts are over without a byte: the next bytes end it.
    void waitingForData();
    // The receivers may take the message's bytes.
    void messageReceived(kestrum::ReceivedMessage *message);
    // A message without bytes ended with its device.
    void messageDropped();
    // The device went away while open; the port is closed already.
    void deviceLost(const QString &description);
    // Any loss of the device, also one that fails a send instead of being
    // reported: the device path the port was open on, and what that path
    // led to when the port was opened.
    void deviceGone(const QString &device, const kestrum::DeviceIdentity &opened);
    // The port was closed, for whatever reason.
    void closed();
    void opened();

private:
    // Hands what the reader found on, in order; a handler that waits in an
    // event loop of its own (a message box) lets later events through.
    void deliver(ReceiveEvents events);
    void handle(ReceiveEvent &event);
    // The device went away: what arrived before is told, then the loss.
    void lose(const QString &reason);
    void silenceOwnReading();
    void presetLine();
    void applyLine();
    void applyModemLines();
    void setUpLines();
    void applyFlowControl();
    void onError(QSerialPort::SerialPortError error);
    bool looksTransient(QSerialPort::SerialPortError error) const;
    static bool isPseudoTerminal(const QString &device);
    // The second try at opening a pseudo-terminal that refused the line.
    bool openAsPseudoTerminal(const QString &device, QSerialPort::SerialPortError error);
    static QString devicesPresentText();
    QString openFailure(const QString &device, QSerialPort::SerialPortError error, QString reason) const;
    [[noreturn]] void throwNotOpen() const;

    QSerialPort *m_port;
    int m_commPort = 1;
    int m_baud = 9600;
    QChar m_parity = QLatin1Char('n');
    int m_dataBits = 8;
    QString m_stopBits = QStringLiteral("1");
    int m_inBufferSize = 1024;
    int m_outBufferSize = 512;
    bool m_nullDiscard = false;
    bool m_rtsEnable = false;
    bool m_dtrEnable = false;
    FlowControl m_flowControl = FlowControl::None;
    PortLines *m_lines = nullptr;
    int m_receiveTimeout = 100;
    PortReader m_reader;
    QSocketNotifier *m_readerReady;
    std::deque<ReceiveEvent> m_pending;
    // Counts the openings, to tell the reader's report of a loss of an
    // earlier one.
    quint64 m_opening = 0;
    QString m_openDevice;
    DeviceIdentity m_openedIdentity;
    QString m_lostReason;
    // A loss found while sending is the send's failure, not a report of its own.
    bool m_sending = false;
    // Transient line errors since data last moved.
    int m_transientErrors = 0;
};

} // namespace kestrum
