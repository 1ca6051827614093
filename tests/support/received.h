#pragma once
#include "core/port/mscomm.h"
#include <QList>
#include <QObject>

namespace kestrum::test {

// The messages a port hands over, in order.
class Received : public QObject {
public:
    explicit Received(MSComm &port)
    {
        connect(&port, &MSComm::messageReceived, this, [this](ReceivedMessage *m) { messages << m->bytes; });
    }
    QByteArray joined() const { return messages.join(); }
    QList<QByteArray> messages;
};

} // namespace kestrum::test
