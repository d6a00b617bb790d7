#include "support/ScratchVolume.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace testsupport {

namespace {

constexpr std::uintmax_t kImageBytes = 4 << 20;

bool Run(const std::string& command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

std::string Quoted(const std::string& path)
{
    return "'" + path + "'";
}

} // namespace

ScratchVolume::ScratchVolume(std::string folder, Kind kind, const std::string& options) : mount(std::move(folder))
{
    if (::geteuid() != 0) {
        FFailure = "mounting a file system of the test's own needs root";
        return;
    }
    std::filesystem::create_directories(mount);
    const std::string image = mount + ".img";
    std::string command;
    if (kind == Kind::Ext2) {
        std::ofstream(image, std::ios::binary);
        std::filesystem::resize_file(image, kImageBytes);
        command = "mkfs.ext2 -q -F " + Quoted(image) + " && mount -o " + (options.empty() ? "loop" : "loop," + options)
            + " " + Quoted(image) + " " + Quoted(mount);
    } else {
        command = "mount -t tmpfs -o " + (options.empty() ? "size=4m" : "size=4m," + options) + " tmpfs " + Quoted(mount);
    }
    if (!Run(command))
        FFailure = kind == Kind::Ext2 ? "no loop-mounted ext2 volume can be made here (mkfs.ext2, mount -o loop)"
                                      : "no tmpfs can be mounted here";
}

ScratchVolume::~ScratchVolume()
{
    if (FFailure.empty() && !Run("umount " + Quoted(mount)))
        Run("umount -l " + Quoted(mount));
}

} // namespace testsupport
