#pragma once
// A file system of the test's own, mounted on a folder for the life of the object (root only):
// a small ext2 image on a loop device (the image lies beside the folder), or a tmpfs.
//
//   testsupport::ScratchVolume volume(tree.MakeFolder("volume"));
//   REQUIRE_MOUNTED(volume);                   // skips, with the reason, when it cannot be had
//
// Options are mount's own (-o); mount keeps those for programs (x-...) where they read them.

#include <gtest/gtest.h>

#include <string>

namespace testsupport {

class ScratchVolume {
public:
    enum class Kind { Ext2, Tmpfs };

    explicit ScratchVolume(std::string folder, Kind kind = Kind::Ext2, const std::string& options = {});
    ~ScratchVolume();
    ScratchVolume(const ScratchVolume&) = delete;
    ScratchVolume& operator=(const ScratchVolume&) = delete;

    // Empty when mounted; else why not.
    const std::string& Failure() const { return FFailure; }
    const std::string mount;

private:
    std::string FFailure;
};

} // namespace testsupport

#define REQUIRE_MOUNTED(volume)                                                                                        \
    do {                                                                                                               \
        if (!(volume).Failure().empty())                                                                               \
            GTEST_SKIP() << (volume).Failure();                                                                        \
    } while (false)
