#pragma once
#include "core/session/session.h"
#include "support/fakes.h"
#include "support/pty.h"
#include <QObject>
#include <QStringList>
#include <memory>

namespace kestrum::test {

// What the core tests of the session share. Each test function begins with
// an empty store and fresh fakes, and ends with its session and
// pseudo-terminal gone (the init() and cleanup() slots here run for the
// tests of a class derived from this one).
class SessionTest : public QObject {
    Q_OBJECT
protected:
    // A session with COM1 on a fresh pseudo-terminal, opened (with these line
    // parameters, if given), whose timer never ticks by itself (the test
    // ticks by hand) and whose failures are collected; false when the port
    // did not open.
    bool startSession(const QString &line = QString());
    QString document() const { return session->document().text(); }

    Fakes fakes{};
    std::unique_ptr<Pty> pty;
    std::unique_ptr<Session> session;
    QStringList failures;

private slots:
    void init();
    void cleanup();
};

} // namespace kestrum::test
