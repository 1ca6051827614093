#pragma once
#include <QByteArray>
#include <QString>

struct termios;

namespace kestrum::test {

// A pseudo-terminal: the program opens the slave as its serial device, the
// test plays the device on the master.
class Pty {
public:
    Pty();
    ~Pty();
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;

    bool isValid() const { return m_master >= 0; }
    QString slavePath() const { return m_slavePath; }
    int masterFd() const { return m_master; }
    // The program's side, as the test holds it open.
    int slaveFd() const { return m_slave; }

    // The device sends.
    bool write(const QByteArray &bytes);
    // What the program sent, collected for up to timeoutMs (returns early once
    // `expected` bytes have come).
    QByteArray read(int timeoutMs = 1000, int expected = -1);
    // The device goes away.
    void closeMaster();

    // The line settings the program put on the device.
    bool attributes(struct termios *out) const;
    int baudRate() const;
    int stopBits() const;

private:
    int m_master = -1;
    int m_slave = -1;  // kept open so that the line keeps its settings
    QString m_slavePath;
};

// Points COM<n> at a device path in the settings store.
void mapPort(int n, const QString &device);

} // namespace kestrum::test
