#pragma once
// Scratch folders for tests: a fresh temporary folder per tree, files with given bytes, awkward
// names, links and permissions, all removed again when the tree goes (read-only parts included).
//
//   testsupport::ScratchTree tree;
//   tree.WriteFile("sub/a.rep", testsupport::MakeReplay(14000, "first", "second"));
//   tree.Link("loop", "..");
//   tree.Root();   // absolute, no trailing "/"
//
// Paths are byte strings; any name the file system takes works, non-UTF-8 bytes included.
// Failures throw std::runtime_error, which a test reports as an error.

#include <cstddef>
#include <set>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace testsupport {

class ScratchTree {
public:
    ScratchTree();
    ~ScratchTree();
    ScratchTree(const ScratchTree&) = delete;
    ScratchTree& operator=(const ScratchTree&) = delete;

    const std::string& Root() const { return FRoot; }

    // Root + "/" + relative (relative may be empty for the root itself).
    std::string Path(std::string_view relative) const;

    // Creates the folder and any missing parents; returns its path.
    std::string MakeFolder(std::string_view relative);
    // Creates or replaces the file (and missing parent folders); returns its path.
    std::string WriteFile(std::string_view relative, std::string_view bytes);
    // A file of size bytes that are all fill.
    std::string WriteFilled(std::string_view relative, std::size_t size, char fill = '\0');
    // A copy of an existing file anywhere, made writable.
    std::string CopyFile(std::string_view relative, const std::string& source);
    // A symbolic link at relative whose text is target (taken as is, relative or absolute).
    std::string Link(std::string_view relative, const std::string& target);
    // A second name for the file at existing (relative to the root).
    std::string HardLink(std::string_view relative, std::string_view existing);
    void SetMode(std::string_view relative, mode_t mode);
    void Remove(std::string_view relative);
    bool Exists(std::string_view relative) const; // the name itself, a dangling link counts
    std::string Read(std::string_view relative) const;

private:
    std::string FRoot;
};

// The bytes of every regular file below folder (links are not followed), one entry per file: a
// test that others change a tree under checks against it that no contents were lost.
std::multiset<std::string> FileContentsBelow(const std::string& folder);

// Swaps what the paths a and b name in one step, as an attacker racing a removal would; false
// when either is gone or the file system cannot.
bool Exchange(const std::string& a, const std::string& b);

// Bytes of a replay: size bytes of filler, with record 50 holding first, record 40 second and,
// when fallback is not empty, record 55 fallback, each as a length byte followed by the text.
// Records beyond size are left out. The filler differs for different seeds.
std::string MakeReplay(std::size_t size, std::string_view first, std::string_view second,
                       std::string_view fallback = {}, unsigned seed = 0);

// A replay of 14,000 bytes of its own for each n: fingerprints and contents differ between n.
std::string NumberedReplay(unsigned n);

// Writes raw bytes at the start of a record (record * 256), growing bytes when needed.
void PutRecord(std::string& bytes, std::size_t record, std::string_view raw);

// The name of the hidden folder a removal that has ended (killed, say) would have left in a folder
// (".dupsweep-BOOT-PID-START-RANDOM"): a process is started and ended for it. With running set,
// the name this very process would give one, which a scan must leave alone.
std::string LeftoverFolderName(bool running = false);

// Whether the tests run as root, for whom permission bits do not keep anything out: a test of
// refused permissions then skips. In the run made to be unprivileged (DUPSWEEP_UNPRIVILEGED_RUN
// set, see tests/support/run-unprivileged.sh) being root is a failure of the test that asks.
bool RunningAsRoot();

// The folder of real replay files, or "" when it is not there (a clone away from the project),
// which fails the test that asks when the build requires the files (DUPSWEEP_REQUIRE_REAL_REPLAYS).
std::string RealReplaysFolder();

} // namespace testsupport
