#pragma once
#include <QCoreApplication>
#include <QString>
#include <exception>

namespace kestrum {

// Every failure the program reports carries the text the message box shows.
class Error : public std::exception {
public:
    explicit Error(QString description) : m_description(std::move(description)),
        m_utf8(m_description.toUtf8()) {}
    const QString &description() const { return m_description; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_description;
    QByteArray m_utf8;
};

// A value read from outside (the store, a file) as a message quotes it: cut
// short, so that the message box still fits the screen, and with control
// characters made visible rather than acted on.
inline QString visibleText(QString text)
{
    for (QChar &c : text)
        if (c.category() == QChar::Other_Control)
            c = QChar(0xFFFD);
    return text;
}

constexpr int kLongestShownValue = 64;

inline QString shownValue(const QString &value)
{
    if (value.size() <= kLongestShownValue)
        return visibleText(value);
    return visibleText(value.left(kLongestShownValue)) + QChar(0x2026);
}

// A path is cut in its middle instead: the file or device name at its end is
// what tells the user which one failed.
inline QString shownPath(const QString &path)
{
    if (path.size() <= kLongestShownValue)
        return visibleText(path);
    constexpr int head = 20;
    return visibleText(path.left(head)) + QChar(0x2026) + visibleText(path.right(kLongestShownValue - head));
}

// The words the user reads for a failure: an Error's description, or what
// another exception (from the library or the system) says of itself. Every
// place that reports a caught failure goes through this.
inline QString describe(const std::exception &e)
{
    if (const auto *error = dynamic_cast<const Error *>(&e))
        return error->description();
    return QString::fromLocal8Bit(e.what());
}

} // namespace kestrum
