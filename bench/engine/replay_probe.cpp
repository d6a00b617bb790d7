// The least a scan must do, for the whole-process benchmarks to measure the scan against: walk
// the folders (visible entries, no sorting), and for each "*.rep" open it, take its size, read
// records 50 and 40 and close it, on one thread. Prints how many replays it read.
#include "platform/fs/Paths.h"

#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr off_t kRecord = 256;
constexpr off_t kFirstRecord = 50;
constexpr off_t kSecondRecord = 40;

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: replay_probe FOLDER\n");
        return 2;
    }
    std::size_t replays = 0;
    unsigned char record[kRecord];
    std::vector<std::string> folders{argv[1]};
    while (!folders.empty()) {
        const std::string folder = std::move(folders.back());
        folders.pop_back();
        const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        DIR* dir = dirFd < 0 ? nullptr : ::fdopendir(dirFd);
        if (dir == nullptr)
            continue;
        while (const dirent* entry = ::readdir(dir)) {
            if (entry->d_name[0] == '.')
                continue;
            if (entry->d_type == DT_DIR) {
                folders.push_back(folder + "/" + entry->d_name);
                continue;
            }
            if (!files::MatchesPattern(entry->d_name, "*.rep"))
                continue;
            const int fd = ::openat(dirFd, entry->d_name, O_RDONLY | O_CLOEXEC);
            if (fd < 0)
                continue;
            struct stat st {};
            ::fstat(fd, &st);
            replays += ::pread(fd, record, sizeof record, kFirstRecord * kRecord) == kRecord
                && ::pread(fd, record, sizeof record, kSecondRecord * kRecord) == kRecord;
            ::close(fd);
        }
        ::closedir(dir);
    }
    std::printf("%zu\n", replays);
    return 0;
}
