#pragma once
#include "core/paritymarks.h"
#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <QSerialPort>
#include <QString>

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
    // Every waiting character, one per received byte; removes them. What
    // arrived before the port was lost and opened again is taken apart from
    // what came after, so that it ends a message of its own.
    QString Input();
    // What Input would take, as the received bytes themselves (Windows-1251,
    // one byte a character): for a path that keeps the code page, a message
    // of megabytes is then never widened and narrowed again.
    QByteArray inputBytes();
    // How many received characters are waiting (as Input would take them).
    int InBufferCount();

    // While a message is gathered only its end matters: the port is then
    // read on a timer rather than at every arrival, often enough that the
    // smallest buffer on the way (a tty's 4 KB) cannot fill, neither at the
    // line's speed nor at the rate the data has been seen coming (a
    // pseudo-terminal or a USB device can be faster than the line's speed).
    // OnComm still comes for what those reads find. Off again when the
    // message is taken, or by itself when the data comes so fast that a
    // timer would have to run more often than the data wakes the program.
    void setGathering(bool on);
    // How often the port is read while gathering, in milliseconds; 0 when
    // the data comes too fast to gather.
    int drainInterval() const;

    // The parsed line parameters as held by the object.
    int baudRate() const { return m_baud; }
    QChar parity() const { return m_parity; }
    int dataBits() const { return m_dataBits; }
    QString stopBits() const { return m_stopBits; }

    // The device the current port number stands for ("" when none).
    QString deviceName() const;
    // "COM1 (/dev/ttyUSB0)".
    QString portLabel() const;

signals:
    // Received characters are waiting.
    void OnComm();
    // The device went away while open; the port is closed already.
    void deviceLost(const QString &description);
    // Any loss of the device, also one that fails a send instead of being
    // reported: the device path the port was open on.
    void deviceGone(const QString &device);
    // The port was closed, for whatever reason.
    void closed();
    void opened();

private:
    void pullReceived();
    void takeReceived(QByteArray bytes);
    qsizetype readDescriptor(bool *fault);
    void noteArrival(qsizetype bytes);
    qsizetype drainQuietly();
    void presetLine();
    void applyLine();
    void applyModemLines();
    void onError(QSerialPort::SerialPortError error);
    bool looksTransient() const;
    static bool isPseudoTerminal(const QString &device);
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
    // Gathering: the port's read notifier is off and this timer reads.
    bool m_gathering = false;
    QPointer<QSocketNotifier> m_quietNotifier;
    QTimer *m_drainTimer;
    // Arrival rate: bytes a second over the last window of reads; a higher
    // earlier figure counts too, halved for every second since.
    double m_rate = 0;
    qint64 m_windowBytes = 0;
    QElapsedTimer m_windowClock;
    QString m_openDevice;
    QString m_lostReason;
    // A loss found while sending is the send's failure, not a report of its own.
    bool m_sending = false;
    // Transient line errors since data last moved.
    int m_transientErrors = 0;
};

} // namespace kestrum
