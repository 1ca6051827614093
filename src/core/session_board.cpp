// The session: what drives a board (line ending, flow control, the lines).
#include "core/session.h"

namespace kestrum {

void Session::setUpBoard() { m_lineEnding = storedLineEnding(); }

void Session::setLineEnding(LineEnding ending)
{
    m_lineEnding = ending;
    storeLineEnding(ending);
}

} // namespace kestrum
