#pragma once

namespace kestrum::test {

// While it lives, this thread's file accesses are checked as those of the
// unprivileged user "nobody": run as root, the tests can still meet the
// read-only files, folders and devices a user meets. Root's file
// capabilities go with the file user id and come back when it is restored.
class AsUnprivilegedUser {
public:
    AsUnprivilegedUser();
    ~AsUnprivilegedUser();
    AsUnprivilegedUser(const AsUnprivilegedUser &) = delete;
    AsUnprivilegedUser &operator=(const AsUnprivilegedUser &) = delete;

    // False when the process may not change its file user id (not root).
    bool isValid() const { return m_valid; }

private:
    bool m_valid = false;
    unsigned m_previous = 0;
};

// The user id of "nobody".
unsigned unprivilegedUserId();

} // namespace kestrum::test
