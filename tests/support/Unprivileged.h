#pragma once

#include <grp.h>
#include <unistd.h>

namespace telvora::test {

/// Makes the calling process (a death test's child) an unprivileged user, since root
/// reads and writes whatever the permissions say. False when that did not work.
inline bool becomeUnprivileged()
{
    if (::geteuid() != 0)
        return true;
    constexpr gid_t nogroup = 65534;
    constexpr uid_t nobody = 65534;
    return ::setgroups(0, nullptr) == 0 && ::setgid(nogroup) == 0 && ::setuid(nobody) == 0;
}

} // namespace telvora::test
