#include "support/unprivileged.h"
#include <pwd.h>
#include <sys/fsuid.h>
#include <unistd.h>

namespace kestrum::test {

unsigned unprivilegedUserId()
{
    if (const struct passwd *p = ::getpwnam("nobody"))
        return p->pw_uid;
    return 65534;
}

AsUnprivilegedUser::AsUnprivilegedUser()
{
    if (::geteuid() != 0)
        return;
    m_previous = unsigned(::setfsuid(unprivilegedUserId()));
    // setfsuid answers with the previous id whether or not it took the new
    // one; asking again tells.
    m_valid = unsigned(::setfsuid(unprivilegedUserId())) == unprivilegedUserId();
}

AsUnprivilegedUser::~AsUnprivilegedUser()
{
    if (::geteuid() == 0)
        ::setfsuid(m_previous);
}

} // namespace kestrum::test
