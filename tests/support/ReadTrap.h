#pragma once
// Changing the tree at the very moment a file is read, for tests of code that must hold up while
// other programs change the files it works on.
//
//   REQUIRE_READ_TRAP();   // skips the test, saying why, where traps cannot be set
//   testsupport::ReadTrap trap;
//   trap.Arm(tree.Path("r/a.rep"), [&] { tree.Remove("r/b.rep"); });   // at the first read of a.rep
//
// The reader is held inside its read until the action has run on the trap's own thread, so the
// change lands exactly between two reads of the code under test, every time. A trap can also be
// set on a file being opened inside a folder (the opener held the same way), or on a file being
// closed after reading (told afterwards, the closer not held). It rests on the
// kernel's file access permission events, which need CAP_SYS_ADMIN (root); Available says why
// not when they cannot be had. An action must not read an armed file itself (it would wait for
// itself); everything else, deleting or writing armed files included, is fine.

#include <gtest/gtest.h>
#include <sys/types.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

class ReadTrap {
public:
    static bool Available(std::string& why);

    ReadTrap(); // throws std::runtime_error when Available would say no
    ~ReadTrap(); // lets every held reader go
    ReadTrap(const ReadTrap&) = delete;
    ReadTrap& operator=(const ReadTrap&) = delete;

    // Runs action when the file now at path is read for the nth time from now on (counting every
    // read call by anyone), before that read returns. A file may carry several armed actions.
    void Arm(const std::string& path, std::function<void()> action, int nth = 1);
    // Runs action, holding the opener, when any file or folder inside folder is opened, on the nth
    // open.
    void ArmOpenIn(const std::string& folder, std::function<void()> action, int nth = 1);
    // Runs action soon after the file now at path is closed by a reader that wrote nothing.
    void ArmClose(const std::string& path, std::function<void()> action, int nth = 1);

    // The pid of the process whose read set off the last action (for signalling another program).
    pid_t LastReader() const { return FLastReader.load(); }

    // What the actions threw, in order; a test asserts it is empty.
    std::vector<std::string> Errors();

private:
    enum class Event { Read, OpenIn, Close };

    struct Armed {
        Event event;
        dev_t device; // of the file, or of the folder for OpenIn
        ino_t inode;
        int remaining;
        std::function<void()> action;
    };

    void Add(Event event, const std::string& path, std::function<void()> action, int nth);
    void Serve();

    int FFanotify = -1;
    int FStop = -1; // an eventfd that ends Serve
    std::mutex FMutex;
    std::vector<Armed> FArmed;
    std::vector<std::string> FErrors;
    std::atomic<pid_t> FLastReader{0};
    std::thread FThread;
};

} // namespace testsupport

#define REQUIRE_READ_TRAP()                                                                                            \
    do {                                                                                                               \
        std::string why;                                                                                               \
        if (!testsupport::ReadTrap::Available(why))                                                                    \
            GTEST_SKIP() << why;                                                                                       \
    } while (false)
