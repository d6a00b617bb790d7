#pragma once
// Acting as another user within a test that root runs: a thread that does what an ordinary user
// who shares a folder with root could do, while root's code under test runs beside it.
//
//   REQUIRE_ROOT_AND_NOBODY(nobody);          // skips unless root, with the user "nobody" known
//   testsupport::GiveTree(tree.Path("x"), nobody);
//   std::thread other([&] { testsupport::BecomeInThisThread(nobody); ... });
//
// The system's own calls change the credentials of the calling thread alone (the C library's
// setuid would change every thread's), so root's threads stay root.

#include <gtest/gtest.h>

#include <string>
#include <sys/types.h>

namespace testsupport {

struct UserIds {
    uid_t uid = 0;
    gid_t gid = 0;
};

// The ids of the user name; false when there is none.
bool FindUser(const char* name, UserIds& ids);

// Makes the calling thread act as ids from now on (and it alone). Throws when it cannot.
void BecomeInThisThread(const UserIds& ids);

// Gives path and everything below it, links themselves included, to ids.
void GiveTree(const std::string& path, const UserIds& ids);

// Makes the calling thread, and the threads it starts from now on, act without the capability
// (CAP_LEASE, say) while the rest of root's privileges stay. Throws when it cannot.
void DropCapabilityInThisThread(int capability);

} // namespace testsupport

#define REQUIRE_ROOT_AND_NOBODY(ids)                                                                                   \
    testsupport::UserIds ids;                                                                                          \
    do {                                                                                                               \
        if (::geteuid() != 0)                                                                                          \
            GTEST_SKIP() << "acting as another user beside root's code needs root";                                   \
        if (!testsupport::FindUser("nobody", ids))                                                                     \
            GTEST_SKIP() << "there is no user nobody to act as";                                                       \
    } while (false)
