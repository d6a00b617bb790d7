#include "support/ScratchTree.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <iterator>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace testsupport {

namespace {

constexpr std::size_t kRecordSize = 256;
constexpr std::size_t kFirstRecord = 50;
constexpr std::size_t kSecondRecord = 40;
constexpr std::size_t kFallbackRecord = 55;

[[noreturn]] void Fail(const std::string& what, const std::string& path)
{
    throw std::runtime_error(what + " " + path + ": " + std::strerror(errno));
}

void MakeParents(const std::string& path)
{
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
}

// Everything below the root becomes writable and searchable again, so it can be removed.
void OpenUp(const std::filesystem::path& root)
{
    std::error_code error;
    ::chmod(root.c_str(), 0700);
    for (auto it = std::filesystem::recursive_directory_iterator(
             root, std::filesystem::directory_options::skip_permission_denied, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        if (it->is_directory(error) && !it->is_symlink(error))
            ::chmod(it->path().c_str(), 0700);
    }
}

} // namespace

ScratchTree::ScratchTree()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/dupsweep-test-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) == nullptr)
        Fail("cannot make", pattern);
    // The real path, so that paths tests expect match what a walk reports.
    char* real = ::realpath(buffer.data(), nullptr);
    FRoot = real != nullptr ? real : buffer.data();
    std::free(real);
}

ScratchTree::~ScratchTree()
{
    std::error_code ignored;
    OpenUp(FRoot);
    std::filesystem::remove_all(FRoot, ignored);
}

std::string ScratchTree::Path(std::string_view relative) const
{
    return relative.empty() ? FRoot : FRoot + "/" + std::string(relative);
}

std::string ScratchTree::MakeFolder(std::string_view relative)
{
    const auto path = Path(relative);
    std::error_code error;
    std::filesystem::create_directories(path, error);
    if (error)
        throw std::runtime_error("cannot make folder " + path + ": " + error.message());
    return path;
}

std::string ScratchTree::WriteFile(std::string_view relative, std::string_view bytes)
{
    const auto path = Path(relative);
    MakeParents(path);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        Fail("cannot write", path);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const auto n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) {
            ::close(fd);
            Fail("cannot write", path);
        }
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return path;
}

std::string ScratchTree::WriteFilled(std::string_view relative, std::size_t size, char fill)
{
    return WriteFile(relative, std::string(size, fill));
}

std::string ScratchTree::CopyFile(std::string_view relative, const std::string& source)
{
    std::ifstream in(source, std::ios::binary);
    if (!in)
        Fail("cannot read", source);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return WriteFile(relative, bytes.str());
}

std::string ScratchTree::Link(std::string_view relative, const std::string& target)
{
    const auto path = Path(relative);
    MakeParents(path);
    if (::symlink(target.c_str(), path.c_str()) != 0)
        Fail("cannot link", path);
    return path;
}

std::string ScratchTree::HardLink(std::string_view relative, std::string_view existing)
{
    const auto path = Path(relative);
    MakeParents(path);
    if (::link(Path(existing).c_str(), path.c_str()) != 0)
        Fail("cannot hard-link", path);
    return path;
}

void ScratchTree::SetMode(std::string_view relative, mode_t mode)
{
    const auto path = Path(relative);
    if (::chmod(path.c_str(), mode) != 0)
        Fail("cannot chmod", path);
}

void ScratchTree::Remove(std::string_view relative)
{
    const auto path = Path(relative);
    if (::unlink(path.c_str()) != 0 && ::rmdir(path.c_str()) != 0)
        Fail("cannot remove", path);
}

bool ScratchTree::Exists(std::string_view relative) const
{
    struct stat st {};
    return ::lstat(Path(relative).c_str(), &st) == 0;
}

std::string ScratchTree::Read(std::string_view relative) const
{
    const auto path = Path(relative);
    std::ifstream in(path, std::ios::binary);
    if (!in)
        Fail("cannot read", path);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool Exchange(const std::string& a, const std::string& b)
{
    return ::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0;
}

std::multiset<std::string> FileContentsBelow(const std::string& folder)
{
    std::multiset<std::string> contents;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file() || entry.is_symlink())
            continue;
        std::string bytes(entry.file_size(), '\0');
        if (FILE* file = std::fopen(entry.path().c_str(), "rb")) {
            bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
            std::fclose(file);
        }
        contents.insert(std::move(bytes));
    }
    return contents;
}

void PutRecord(std::string& bytes, std::size_t record, std::string_view raw)
{
    const auto offset = record * kRecordSize;
    if (bytes.size() < offset + raw.size())
        bytes.resize(offset + raw.size(), '\0');
    bytes.replace(offset, raw.size(), raw);
}

std::string MakeReplay(std::size_t size, std::string_view first, std::string_view second,
                       std::string_view fallback, unsigned seed)
{
    std::string bytes(size, '\0');
    // Filler that is never zero, so that only the texts placed below decide the fingerprints.
    std::uint32_t state = 2463534242u ^ (seed * 2654435761u);
    for (auto& b : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        b = static_cast<char>(1 + state % 255);
    }
    const auto put = [&](std::size_t record, std::string_view text) {
        if ((record + 1) * kRecordSize > size)
            return;
        std::string raw(1, static_cast<char>(text.size()));
        raw.append(text);
        bytes.replace(record * kRecordSize, raw.size(), raw);
    };
    put(kFirstRecord, first);
    put(kSecondRecord, second);
    if (!fallback.empty())
        put(kFallbackRecord, fallback);
    return bytes;
}

std::string NumberedReplay(unsigned n)
{
    return MakeReplay(14000, "f" + std::to_string(n), "s", {}, n);
}

namespace {

// The start of /proc/PID/stat's 22nd field, the process's start in clock ticks after the boot.
std::string StartOf(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    const std::string stat{std::istreambuf_iterator<char>(in), {}};
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    for (int i = 3; i <= 22; ++i) // the command's closing parenthesis ends field 2
        fields >> field;
    return field;
}

} // namespace

std::string LeftoverFolderName(bool running)
{
    std::ifstream bootFile("/proc/sys/kernel/random/boot_id");
    std::string boot;
    bootFile >> boot;
    pid_t pid = ::getpid();
    std::string start = StartOf(pid);
    if (!running) {
        int gate[2];
        if (::pipe(gate) != 0)
            throw std::runtime_error("cannot make a pipe");
        pid = ::fork();
        if (pid == 0) {
            ::close(gate[1]);
            char byte;
            (void)!::read(gate[0], &byte, 1); // until its start has been read
            ::_exit(0);
        }
        start = StartOf(pid);
        ::close(gate[1]);
        ::close(gate[0]);
        ::waitpid(pid, nullptr, 0);
    }
    return ".dupsweep-" + boot.substr(0, 8) + "-" + std::to_string(pid) + "-" + start + "-0123456789abcdef";
}

bool RunningAsRoot()
{
    const bool root = ::geteuid() == 0;
    if (root && std::getenv("DUPSWEEP_UNPRIVILEGED_RUN"))
        ADD_FAILURE() << "this run was to be unprivileged, but it runs as root";
    return root;
}

std::string RealReplaysFolder()
{
    struct stat st {};
    if (::stat(DUPSWEEP_REAL_REPLAYS, &st) == 0 && S_ISDIR(st.st_mode))
        return DUPSWEEP_REAL_REPLAYS;
    if (DUPSWEEP_REQUIRE_REAL_REPLAYS)
        ADD_FAILURE() << "this build requires the real replay files, but " << DUPSWEEP_REAL_REPLAYS
                      << " is no folder";
    return {};
}

} // namespace testsupport
