// The serial-port object: line parameters (speed, frame, modem lines,
// buffer sizes), checked as text and put on the device.
#include "core/port/mscomm.h"
#include "core/base/error.h"
#include "core/port/linespeed.h"
#include "core/port/paritymarks.h"
#include "core/board/portlines.h"
#include <QStringList>

namespace kestrum {

namespace {

QSerialPort::Parity toQtParity(QChar p)
{
    switch (p.toLatin1()) {
    case 'e': return QSerialPort::EvenParity;
    case 'o': return QSerialPort::OddParity;
    case 'm': return QSerialPort::MarkParity;
    case 's': return QSerialPort::SpaceParity;
    default: return QSerialPort::NoParity;
    }
}

QSerialPort::StopBits toQtStopBits(const QString &s)
{
    if (s == QLatin1String("2"))
        return QSerialPort::TwoStop;
    if (s == QLatin1String("1.5"))
        return QSerialPort::OneAndHalfStop;
    return QSerialPort::OneStop;
}

// A whole decimal number, sign allowed. QString::toInt stops at an embedded
// NUL, so "9600\0junk" would pass for 9600: every character is checked first.
int wholeNumber(const QString &text, bool *ok)
{
    *ok = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        const bool sign = i == 0 && (c == u'+' || c == u'-');
        if (!sign && (c < u'0' || c > u'9'))
            return 0;
    }
    return text.toInt(ok);
}

} // namespace

void MSComm::setCommPort(int port)
{
    if (PortOpen())
        throw Error(QCoreApplication::translate("Port",
                "The port number cannot be changed while %1 is open.").arg(portLabel()));
    if (port < 1 || port > 16)
        throw Error(QCoreApplication::translate("Port", "Invalid port number %1.").arg(port));
    m_commPort = port;
}

QString MSComm::Settings() const
{
    return QStringLiteral("%1,%2,%3,%4").arg(m_baud).arg(m_parity).arg(m_dataBits).arg(m_stopBits);
}

void MSComm::setSettings(const QString &text)
{
    auto invalid = [&text](const QString &why) {
        return Error(QCoreApplication::translate("Port",
                "Invalid port settings \"%1\": %2").arg(shownValue(text), why));
    };
    const QStringList f = text.split(QLatin1Char(','));
    if (f.size() != 4)
        throw invalid(QCoreApplication::translate("Port",
                "expected baud rate, parity, data bits and stop bits separated by commas."));
    bool ok = false;
    const QString baudText = f.at(0).trimmed();
    const int baud = wholeNumber(baudText, &ok);
    if (baudText.isEmpty())
        throw invalid(QCoreApplication::translate("Port", "the baud rate is missing."));
    if (!ok || baud < 50 || baud > 4000000)
        throw invalid(QCoreApplication::translate("Port", "the baud rate must be a whole number from 50 to 4000000."));
    const QString parityText = f.at(1).trimmed().toLower();
    if (parityText.isEmpty())
        throw invalid(QCoreApplication::translate("Port", "the parity is missing."));
    if (parityText.size() != 1 || !QStringLiteral("neoms").contains(parityText))
        throw invalid(QCoreApplication::translate("Port", "the parity must be n, e, o, m or s."));
    const QString dataText = f.at(2).trimmed();
    const int data = wholeNumber(dataText, &ok);
    if (dataText.isEmpty())
        throw invalid(QCoreApplication::translate("Port", "the number of data bits is missing."));
    if (!ok || data < 5 || data > 8)
        throw invalid(QCoreApplication::translate("Port", "the number of data bits must be 5, 6, 7 or 8."));
    const QString stopText = f.at(3).trimmed();
    if (stopText.isEmpty())
        throw invalid(QCoreApplication::translate("Port", "the number of stop bits is missing."));
    if (stopText != QLatin1String("1") && stopText != QLatin1String("1.5") && stopText != QLatin1String("2"))
        throw invalid(QCoreApplication::translate("Port", "the number of stop bits must be 1, 1.5 or 2."));

    const int oldBaud = m_baud, oldData = m_dataBits;
    const QChar oldParity = m_parity;
    const QString oldStop = m_stopBits;
    m_baud = baud;
    m_parity = parityText.at(0);
    m_dataBits = data;
    m_stopBits = stopText;
    try {
        applyLine();
    } catch (const Error &failure) {
        m_baud = oldBaud;
        m_parity = oldParity;
        m_dataBits = oldData;
        m_stopBits = oldStop;
        // When the old values do not take either, the line runs with a mix of
        // both: the user is told, not only of the first failure.
        try {
            applyLine();
        } catch (const Error &again) {
            throw Error(QCoreApplication::translate("Port", "%1; the previous settings could not be put back either: %2")
                            .arg(failure.description(), again.description()));
        }
        throw;
    }
}

void MSComm::applyLine()
{
    const bool open = m_port->isOpen();
    const bool pty = open && isPseudoTerminal(m_openDevice);
    auto fail = [this](const QString &what) {
        return Error(QCoreApplication::translate("Port",
                "%1: the %2 cannot be set: %3").arg(portLabel(), what, m_port->errorString()));
    };
    if (!m_port->setBaudRate(m_baud))
        throw Error(QCoreApplication::translate("Port", "%1 refuses the speed %2 baud: %3")
                        .arg(portLabel())
                        .arg(m_baud)
                        .arg(m_port->errorString()));
    // Drivers take any speed and quietly run at the nearest one they have.
    const qint64 actual = open ? deviceLineSpeed(m_port->handle()) : 0;
    if (!speedMatches(m_baud, actual))
        throw Error(QCoreApplication::translate("Port",
                "%1 does not run at %2 baud: the device chose %3 baud instead. Choose a speed "
                "the adapter supports.")
                        .arg(portLabel())
                        .arg(m_baud)
                        .arg(actual));
    if (!m_port->setDataBits(QSerialPort::DataBits(m_dataBits)) && !pty)
        throw fail(QCoreApplication::translate("Port", "number of data bits"));
    if (!m_port->setParity(toQtParity(m_parity)) && !pty)
        throw fail(QCoreApplication::translate("Port", "parity"));
    if (!m_port->setStopBits(toQtStopBits(m_stopBits)))
        throw fail(QCoreApplication::translate("Port", "number of stop bits"));
    applyFlowControl();
    // Qt ignores bytes with parity errors; the line delivers them as "?".
    m_reader.setMarking(open && applyParityMarking(m_port->handle(), m_parity != QLatin1Char('n')));
    m_port->clearError();
}

void MSComm::presetLine()
{
    m_port->setBaudRate(m_baud);
    m_port->setDataBits(QSerialPort::DataBits(m_dataBits));
    m_port->setParity(toQtParity(m_parity));
    m_port->setStopBits(toQtStopBits(m_stopBits));
    m_port->setFlowControl(toQtFlowControl(m_flowControl));
}

void MSComm::applyModemLines()
{
    if (!m_port->isOpen())
        return;
    // Both in one write: from the two raised at open straight to the
    // switches' values, without passing through RTS alone asserted, which
    // holds an ESP32 board in reset. A device without modem lines (a
    // pseudo-terminal) is left alone.
    m_lines->applySwitches(m_dtrEnable, m_rtsEnable);
}

void MSComm::setRTSEnable(bool on)
{
    m_rtsEnable = on;
    applyModemLines();
}

void MSComm::setDTREnable(bool on)
{
    m_dtrEnable = on;
    applyModemLines();
}

void MSComm::setInBufferSize(int size)
{
    if (PortOpen())
        throw Error(QCoreApplication::translate("Port",
                "The receive buffer size cannot be changed while %1 is open.").arg(portLabel()));
    if (size < 1 || size > 32767)
        throw Error(QCoreApplication::translate("Port", "Invalid receive buffer size %1.").arg(size));
    m_inBufferSize = size;
}

void MSComm::setOutBufferSize(int size)
{
    if (PortOpen())
        throw Error(QCoreApplication::translate("Port",
                "The transmit buffer size cannot be changed while %1 is open.").arg(portLabel()));
    if (size < 1 || size > 32767)
        throw Error(QCoreApplication::translate("Port", "Invalid transmit buffer size %1.").arg(size));
    m_outBufferSize = size;
}

} // namespace kestrum
