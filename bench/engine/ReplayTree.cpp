#include "ReplayTree.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace bench {

namespace {

constexpr std::size_t kRecord = 256;
constexpr std::size_t kHeaderBytes = 1024;
constexpr std::size_t kMinBytes = 14336; // record 55 always there
constexpr std::size_t kTopFolders = 100;
constexpr std::size_t kSubfolders = 10;
constexpr std::size_t kEmptyFirstEvery = 20;
constexpr std::size_t kOtherFileEvery = 50;
constexpr std::array<std::size_t, 3> kFingerprintRecords{40, 50, 55};

// splitmix64: small, fast and the same everywhere.
struct Random {
    std::uint64_t state;
    std::uint64_t Next()
    {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::size_t Below(std::size_t n) { return static_cast<std::size_t>(Next() % n); }
};

void WriteAt(int fd, const std::string& bytes, std::size_t offset, const std::string& path)
{
    if (::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset)) != static_cast<ssize_t>(bytes.size()))
        throw std::runtime_error("cannot write " + path);
}

// The bytes of replay number `source` depend on nothing else, so a copy is the same call.
void WriteReplay(const std::string& path, std::uint64_t seed, std::size_t source, const TreeShape& shape)
{
    Random random{seed * 1000003u + source};
    const std::size_t size = kMinBytes + random.Below(std::max(shape.maxBytes, kMinBytes + 1) - kMinBytes);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        throw std::runtime_error("cannot create " + path);
    if (shape.dense) {
        std::string bytes(size, '\0');
        for (auto& b : bytes)
            b = static_cast<char>(random.Next());
        WriteAt(fd, bytes, 0, path);
    }
    std::string header(kHeaderBytes, '\0');
    for (auto& b : header)
        b = static_cast<char>(random.Next());
    WriteAt(fd, header, 0, path);
    for (const auto record : kFingerprintRecords) {
        std::string bytes(kRecord, '\0');
        for (auto& b : bytes)
            b = static_cast<char>(random.Next());
        if (record == 50 && source % kEmptyFirstEvery == 0)
            bytes[0] = '\0';
        WriteAt(fd, bytes, record * kRecord, path);
    }
    if (::ftruncate(fd, static_cast<off_t>(size)) != 0)
        throw std::runtime_error("cannot size " + path);
    ::close(fd);
}

} // namespace

ReplayTree MakeReplayTree(const std::string& root, std::size_t count, std::uint64_t seed, const TreeShape& shape)
{
    const std::size_t copyEvery = std::max<std::size_t>(shape.copyEvery, 2); // a copy needs an original before it
    ReplayTree tree;
    for (std::size_t top = 0; top < kTopFolders; ++top) {
        for (std::size_t sub = 0; sub < kSubfolders; ++sub) {
            char name[32];
            std::snprintf(name, sizeof name, "/d%03zu/s%02zu", top, sub);
            tree.folders.push_back(root + name);
            std::filesystem::create_directories(tree.folders.back());
        }
    }
    Random placement{seed};
    for (std::size_t i = 0; i < count; ++i) {
        const auto& folder = tree.folders[i % tree.folders.size()];
        char name[40];
        std::snprintf(name, sizeof name, i % 7 == 0 ? "/Replay-%07zu.REP" : "/replay-%07zu.rep", i);
        const bool copy = i >= copyEvery && i % copyEvery == 0;
        std::size_t source = copy ? placement.Below(i) : i;
        if (copy && source >= copyEvery && source % copyEvery == 0)
            --source; // that one is itself a copy; take its neighbour, an original

        WriteReplay(folder + name, seed, source, shape);
        ++tree.replays;
        tree.copies += copy ? 1 : 0;
        if (i % kOtherFileEvery == 0) {
            std::snprintf(name, sizeof name, "/notes-%07zu.txt", i);
            const int fd = ::open((folder + name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            if (fd >= 0)
                ::close(fd);
        }
    }
    return tree;
}

TempFolder::TempFolder()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/dupsweep-bench-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a temporary folder");
    FPath = pattern;
}

TempFolder::~TempFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
}

} // namespace bench
