#include "core/session.h"
#include "core/codec.h"
#include "core/error.h"
#include "core/filesend.h"
#include "core/messageline.h"
#include "core/mscomm.h"
#include "core/numbers.h"
#include "core/recordwriter.h"
#include "core/settingkeys.h"
#include "core/textfile.h"
#include <QCoreApplication>
#include <QDir>
#include <limits>

namespace kestrum {

Session::Session(QObject *parent) : QObject(parent)
{
    m_port = new MSComm(this);
    m_port->setObjectName(QStringLiteral("MSComm1"));
    // Until start-up loads the stored one.
    m_port->setReceiveTimeout(70);
    m_records = new RecordWriter(this);
    connect(m_records, &RecordWriter::failed, this, [this](const QString &description) {
        m_files.unsure();
        emit failure(description);
    });
    m_fileSender = new FileSender(m_port, this);
    connect(m_fileSender, &FileSender::finished, this, &Session::fileSent);

    connect(m_port, &MSComm::messageCounted, this, &Session::messageCounted);
    connect(m_port, &MSComm::waitingForData, this, &Session::waitingForData);
    connect(m_port, &MSComm::messageReceived, this, &Session::finish);
    connect(m_port, &MSComm::messageDropped, this, [this] {
        backToIdle();
        writeHeldEvents();
    });
    // The message the device's last bytes made has been shown already.
    connect(m_port, &MSComm::deviceLost, this, &Session::deviceLost);
    connect(m_port, &MSComm::deviceGone, this, &Session::deviceGone);
    connect(m_port, &MSComm::opened, this, &Session::portOpened);
    connect(m_port, &MSComm::closed, this, &Session::portClosed);
    setUpBoard();
    connectPortEvents();
    // Told after the step that met the full disk is done, not in its middle.
    m_document.setNotice([this](const QString &description) {
        QMetaObject::invokeMethod(this, [this, description] { emit failure(description); }, Qt::QueuedConnection);
    });
    // A long record still on its way to the autosave file gets there.
    if (QCoreApplication::instance())
        connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, &Session::finishRecords);
}

Session::~Session()
{
    // Closed while everything it may report to is still here.
    delete m_port;
}

bool Session::isPortOpen() const { return m_port->PortOpen(); }
int Session::portNumber() const { return m_port->CommPort(); }
void Session::setPortNumber(int port) { m_port->setCommPort(port); }
void Session::openDevice(const QString &device) { m_port->openDevice(device); }
QString Session::portLineParameters() const { return m_port->Settings(); }
int Session::inBufferSize() const { return m_port->InBufferSize(); }
int Session::outBufferSize() const { return m_port->OutBufferSize(); }

void Session::openPort()
{
    if (!m_port->PortOpen())
        m_port->setPortOpen(true);
}

void Session::closePort()
{
    if (m_port->PortOpen())
        m_port->setPortOpen(false);
}

void Session::setLineParameters(const QString &text)
{
    m_lineParameters = text;
    m_port->setSettings(text);
}

void Session::loadReceiveTimeout()
{
    const qint32 interval = toInt32(readSetting(Setting::ReceiveTimeout));
    // Zero would tick on every pass of the event loop and spin a core.
    if (interval < 1)
        throw Error(QCoreApplication::translate("Port",
                "Invalid property value: the receive timeout must be at least 1 ms."));
    setReceiveTimeout(interval);
}

int Session::receiveTimeout() const { return m_port->receiveTimeout(); }

void Session::setReceiveTimeout(int ms) { m_port->setReceiveTimeout(ms); }

void Session::startPort(const QString &lineParameters, const StepRunner &step)
{
    step([&] { setLineParameters(lineParameters); });
    // The buffer sizes first, then the line switches.
    for (const OptionRow &row : optionRows())
        if (row.text && row.toPort)
            step([&] { row.toPort(*m_port, toNumber(readSetting(row.key))); });
    for (const OptionRow &row : optionRows()) {
        if (!row.flag || !row.toPort)
            continue;
        bool on = false;
        step([&] { on = storedSwitch(row.key); });
        step([&] { row.toPort(*m_port, on); });
    }
    step([&] { m_port->setPortOpen(true); });
}

Configured Session::configure(const Options &o)
{
    Configured result;
    // Those only the store keeps, whatever happens to the port.
    for (const OptionRow &row : optionRows()) {
        if (row.text || row.toPort)
            continue;
        o.store({row.key});
        // The autosave line follows the file at Apply.
        if (row.key == Setting::Autosave)
            o.store({Setting::AutosaveLine});
    }
    try {
        closePort();
        for (const OptionRow &row : optionRows())
            if (row.flag && row.toPort)
                row.toPort(*m_port, o.*row.flag);
        // Opened whether or not it was open before.
        m_port->setPortOpen(true);
        for (const OptionRow &row : optionRows())
            if (row.flag && row.toPort)
                o.store({row.key});

        for (const OptionRow &row : optionRows()) {
            if (!row.text)
                continue;
            const double v = toNumber(o.*row.text);
            if (!row.bounds.holds(v)) {
                result.refused.append(row.key);
                continue;
            }
            if (row.toPort) {
                closePort();
                row.toPort(*m_port, v);
                o.store({row.key});
                m_port->setPortOpen(true);
                continue;
            }
            // The send reads the length limit from the live options itself;
            // only the receive timeout goes anywhere besides the store.
            o.store({row.key});
            // A message under way keeps the timeout it began with.
            if (row.key == Setting::ReceiveTimeout)
                setReceiveTimeout(toInt32(v));
        }
    } catch (const Error &) {
        result.failure = std::current_exception();
    }
    return result;
}

Session::Framing Session::framing() const
{
    if (m_counted || m_waiting)
        return Framing::Reading;
    return m_port->framing() == Framer::State::Idle ? Framing::Idle : Framing::Counting;
}

void Session::portEvent() { m_port->beginMessage(); }

void Session::tick() { m_port->tick(); }

void Session::messageCounted()
{
    m_counted = true;
    // Past the largest count the counter starts again at 1 rather than
    // turning negative.
    m_count = m_count >= std::numeric_limits<qint32>::max() ? 1 : m_count + 1;
    emit counted(m_count);
}

void Session::waitingForData()
{
    m_waiting = true;
    if (!m_port->PortOpen())
        portClosed();
}

void Session::portClosed()
{
    // A closed port answers the wait for data with its failure.
    if (!m_waiting)
        return;
    backToIdle();
    m_port->abandonWait();
    emit failure(m_port->notOpenReason());
    writeHeldEvents();
}

void Session::backToIdle()
{
    m_counted = false;
    m_waiting = false;
}

void Session::finish(ReceivedMessage *message)
{
    // Idle before anything is shown, so that data arriving while a message
    // box is open starts a new message.
    backToIdle();
    // Closed before its end, the port gives up what it held for it.
    if (!m_port->PortOpen()) {
        emit failure(m_port->notOpenReason());
        writeHeldEvents();
        return;
    }

    Options o;
    QString optionsFailure;
    try {
        o = m_options.current();
    } catch (const Error &e) {
        optionsFailure = e.description();
    }
    // Bytes all the way from the port: a message of megabytes is neither
    // widened nor narrowed, nor copied, and without unused room the
    // document keeps it as it is.
    qsizetype dataAt = 0;
    const Stamp stamp = receivedStamp(*message);
    QByteArray line = receivedLine(std::move(message->bytes), o, &dataAt, stamp);
    line += "\r\n";
    line.squeeze();
    if (m_keepDocument) {
        m_document.prependBytes(line);
        m_document.markErrors(message->errors, dataAt);
        emit documentGrew();
    }
    m_state.dataReceived = 1;
    emit messageShown();
    emit lineWritten(line);
    if (!optionsFailure.isEmpty())
        emit failure(optionsFailure);
    autosave(o, line, line.size() - 2, stamp.at);
    writeHeldEvents();
}

void Session::prependLine(const QString &line)
{
    if (m_keepDocument) {
        m_document.prepend(line + QLatin1String("\r\n"));
        emit documentGrew();
    }
}

void Session::autosave(const Options &o, const QByteArray &line, qsizetype length, const QDateTime &when)
{
    if (!o.autosave)
        return;
    try {
        logChoices();
        const QString path = m_files.pathFor(o.autosaveFile, length + 2, when);
        if (path != std::exchange(m_lastFile, path))
            emit autosaveFileChanged(path);
        m_records->append(path, line, length);
    } catch (const Error &e) {
        // What reached the file is not known: it is looked at again next time.
        m_files.unsure();
        emit failure(e.description());
    }
}

void Session::abandonWait()
{
    if (!m_waiting)
        return;
    m_port->abandonWait();
    backToIdle();
    writeHeldEvents();
}

void Session::finishRecords()
{
    // Leaving: no message will come to let the held event lines through.
    writeHeldEvents(true);
    m_records->finish();
}

SendResult Session::send(const QString &text, SendMode mode)
{
    // The counter box keeps its number until the next message shows 1.
    m_count = 0;
    const Options o = m_options.current();
    // As text every character is a byte; the other modes are read first, so
    // that the length check counts what will go out.
    const bool asText = mode == SendMode::Text;
    const QByteArray ending = lineEndingBytes(m_lineEnding, mode);
    QByteArray bytes;
    if (!asText) {
        try {
            bytes = sendBytes(text, mode);
        } catch (const Error &e) {
            emit failure(e.description());
            return SendResult::Failed;
        }
    }
    if (o.checkLength) {
        double maximum = 0;
        try {
            maximum = toNumber(o.maximumLength);
        } catch (const Error &e) {
            emit failure(e.description());
            return SendResult::TooLong;
        }
        // Not rounded: with 10.5 eleven characters are refused.
        if (!(maximum >= double((asText ? text.size() : bytes.size()) + ending.size())))
            return SendResult::TooLong;
    }
    // Bytes of a send would land in the middle of the file's.
    if (m_fileSender->isSending()) {
        emit failure(QCoreApplication::translate("Send",
                "A file is being sent: wait for it to end or cancel it. Nothing else was sent."));
        return SendResult::Failed;
    }

    // Each of these ends the send at its first failure: a line claiming a
    // send that did not happen would make the log lie.
    try {
        // A character the line cannot carry is refused before anything
        // happens to the port.
        if (asText)
            bytes = toAnsi(text);
        openPort();
        // One write: the ending never goes out apart from its text.
        m_port->writeBytes(bytes + ending);
    } catch (const Error &e) {
        emit failure(e.description());
        return SendResult::Failed;
    }

    if (asText)
        showSent(text, text.size() + ending.size());
    else
        showSent(fromAnsi(bytes), bytes.size() + ending.size());
    return SendResult::Sent;
}

void Session::showSent(const QString &shown, qsizetype size)
{
    const Options o = m_options.current();
    if (!o.showSent)
        return;
    const Stamp stamp = sentStamp();
    const QString line = sentLine(shown, o, size, stamp);
    prependLine(line);
    // The text was found to fit the code page before it was sent.
    const QByteArray bytes = toAnsi(line);
    emit lineWritten(bytes + "\r\n");
    autosave(o, bytes, bytes.size(), stamp.at);
}

void Session::sendFile(const QString &path)
{
    m_fileSender->open(path);
    if (!m_port->PortOpen()) {
        try {
            m_port->setPortOpen(true);
        } catch (...) {
            m_fileSender->cancel();
            throw;
        }
    }
    m_fileSender->start();
}

void Session::fileSent(qint64 sent, bool complete, const QString &failed)
{
    const QString name = QDir::toNativeSeparators(m_fileSender->fileName());
    QString shown = QStringLiteral("File \"%1\": %2%3 bytes")
                        .arg(name, m_fileSender->countKnown() ? QString() : QStringLiteral("about "), QString::number(sent));
    if (!complete)
        shown += QStringLiteral(" of %1, %2").arg(m_fileSender->total())
                     .arg(failed.isEmpty() ? QLatin1String("cancelled") : QLatin1String("stopped"));
    // The line goes to the log in the code page: a letter of the name it
    // cannot hold shows as "?".
    if (!fitsAnsi(shown))
        for (QChar &c : shown)
            if (!fitsAnsi(QString(c)))
                c = QLatin1Char('?');
    try {
        showSent(shown, sent);
    } catch (const Error &e) {
        emit failure(e.description());
    }
    if (!failed.isEmpty())
        emit failure(failed);
}

void Session::sendBreak()
{
    if (!m_port->PortOpen())
        m_port->setPortOpen(true);
    // Long enough for any line speed; bootloaders that wait for a break
    // look for one of at least a character's time.
    m_port->sendBreak(250);
}

} // namespace kestrum
