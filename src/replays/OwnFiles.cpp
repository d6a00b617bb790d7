#include "replays/OwnFiles.h"

#include <algorithm>

namespace replays {

namespace {

// Files a comparison holds at once: the one to delete and the copy that stays.
constexpr std::size_t kFilesPerComparison = 2;

} // namespace

OwnFiles::Held::~Held()
{
    if (FOwner == nullptr || !FFile)
        return;
    const auto id = FFile.Id();
    FFile = {}; // closed before it stops counting: a lease asked for in between would be refused
    FOwner->Release(id);
}

OwnFiles::OwnFiles(unsigned readers)
{
    FHeld.reserve(kFilesPerComparison * readers); // counting what is held asks for no memory
}

OwnFiles::Held OwnFiles::Open(const files::Folder& folder, std::string_view name, int& code, files::Access access,
                              files::LinkTrail* trail, const files::AbsentNames* absent)
{
    {
        std::unique_lock lock(FMutex);
        FChanged.wait(lock, [this] { return !FLeasing; });
        ++FOpening;
    }
    files::File file;
    try {
        file = files::File::OpenIn(folder, name, code, access, trail, absent);
    } catch (...) {
        const std::lock_guard lock(FMutex);
        --FOpening;
        FChanged.notify_all();
        throw;
    }
    const std::lock_guard lock(FMutex);
    --FOpening;
    FChanged.notify_all();
    if (!file)
        return {};
    FHeld.push_back(file.Id()); // may run out of memory only beyond the reserve: the file closes again
    return {this, std::move(file)};
}

files::Lease OwnFiles::Lease(const files::File& file)
{
    std::unique_lock lock(FMutex);
    for (;;) {
        FLeasing = true;
        FChanged.wait(lock, [this] { return FOpening == 0; });
        const auto lease = file.TakeWriteLease();
        if (lease == files::Lease::Held)
            return lease; // comparisons open nothing until EndLease
        FLeasing = false;
        FChanged.notify_all();
        if (lease == files::Lease::Unavailable || HeldCount(file.Id()) == 0)
            return lease;
        FChanged.wait(lock, [&] { return HeldCount(file.Id()) == 0; });
    }
}

void OwnFiles::EndLease(const files::File& file)
{
    file.DropLease();
    const std::lock_guard lock(FMutex);
    FLeasing = false;
    FChanged.notify_all();
}

void OwnFiles::Release(const files::FileId& id)
{
    const std::lock_guard lock(FMutex);
    if (const auto at = std::find(FHeld.begin(), FHeld.end(), id); at != FHeld.end()) {
        *at = FHeld.back();
        FHeld.pop_back();
    }
    FChanged.notify_all();
}

std::size_t OwnFiles::HeldCount(const files::FileId& id) const
{
    return static_cast<std::size_t>(std::count(FHeld.begin(), FHeld.end(), id));
}

} // namespace replays
