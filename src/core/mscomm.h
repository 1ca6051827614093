#pragma once
#include "core/devicewatch.h"
#include "core/paritymarks.h"
#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <vector>

class QTimer;

namespace kestrum {

// The program's serial-port object. Members keep the names the windows use;
// every failure throws Error with a description for the message box.
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
    void setNullDiscard(bool on) { m_nullDiscard = on; }
    bool RTSEnable() const { return m_rtsEnable; }
    void setRTSEnable(bool on);
    bool DTREnable() const { return m_dtrEnable; }
    void setDTREnable(bool on);

    // Queues every character as one Windows-1251 byte; does not wait.
    void setOutput(const QString &text);
    // Queues the bytes as they are; does not wait.
    void writeBytes(const QByteArray &bytes);
    // Bytes queued that the device has not taken yet.
    qint64 bytesToWrite() const;
    // Drops what is queued and not yet on the line.
    void discardOutput();
    // Holds the line in the break condition for ms milliseconds; returns at once.
    void sendBreak(int ms);
    bool isBreakOn() const;
    // Characters a second at the line's speed (start, data, parity and stop
    // bits each).
    double lineBytesPerSecond() const;
    // Every waiting byte (Windows-1251, one byte a character), removed:
    // a message of megabytes is never widened and narrowed again. What
    // arrived before the port was lost and opened again is taken apart from
    // what came after, so that it ends a message of its own. errors, if
    // given, gets the positions of the bytes received with a parity error.
    QByteArray inputBytes(std::vector<qsizetype> *errors = nullptr);
    // How many received bytes are waiting (as inputBytes would take them).
    int InBufferCount();

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
    // Received characters are waiting.
    void OnComm();
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
    void pullReceived();
    // Takes what the port and the system hold, and notes when and how much.
    void readArrivals();
    void takeReceived(const QByteArray &bytes);
    void takeCut();
    qsizetype readDescriptor();
    void presetLine();
    void applyLine();
    void applyModemLines();
    void onError(QSerialPort::SerialPortError error);
    bool looksTransient(QSerialPort::SerialPortError error) const;
    static bool isPseudoTerminal(const QString &device);
    // The second try at opening a pseudo-terminal that refused the line.
    bool openAsPseudoTerminal(const QString &device, QSerialPort::SerialPortError error);
    static QString devicesPresentText();
    QString openFailure(const QString &device, QSerialPort::SerialPortError error, const QString &reason) const;
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
    QByteArray m_received;
    // How many of the received bytes came before the port was opened again.
    qsizetype m_heldBack = 0;
    ParityMarks m_parityMarks;
    // Positions in m_received of the bytes received with a parity error.
    std::vector<qsizetype> m_errorsAt;
    QString m_openDevice;
    DeviceIdentity m_openedIdentity;
    QString m_lostReason;
    // A loss found while sending is the send's failure, not a report of its own.
    bool m_sending = false;
    // Transient line errors since data last moved.
    int m_transientErrors = 0;
    // The next read of a trickle, at most kReadPace after the last one.
    QTimer *m_readPace;
    QElapsedTimer m_lastRead;
    bool m_lastReadSmall = false;
};

} // namespace kestrum
