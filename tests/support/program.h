#pragma once
#include <QString>

namespace kestrum {
class Form1;
}

namespace kestrum::test {

// What the receive path does to the window when a message arrives, without
// a port: for tests about what happens to received text afterwards.
void showAsReceived(Form1 *f, const QString &line);

} // namespace kestrum::test
