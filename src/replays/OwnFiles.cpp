#include "replays/OwnFiles.h"

#include "platform/fs/FileErrors.h"

#include <algorithm>
#include <utility>

namespace replays {

namespace {

// Files a comparison holds at once: the one to delete and the copy that stays.
constexpr std::size_t kFilesPerComparison = 2;

// Runs what it is given when it goes, however its scope is left (an open may run out of memory).
template <class Action>
class Finally {
public:
    explicit Finally(Action action) : FAction(std::move(action)) {}
    ~Finally() { FAction(); }
    Finally(const Finally&) = delete;
    Finally& operator=(const Finally&) = delete;

private:
    Action FAction;
};

} // namespace

OwnFiles::Held::~Held()
{
    if (FOwner == nullptr || !FFile)
        return;
    const auto id = FFile.Id();
    FFile = {}; // closed before it stops counting: a lease asked for in between would be refused
    FOwner->Release(id);
}

files::File OwnFiles::Held::Keep() &&
{
    if (FOwner != nullptr && FFile)
        std::exchange(FOwner, nullptr)->Release(FFile.Id());
    return std::move(FFile);
}

OwnFiles::OwnFiles(unsigned readers)
{
    FHeld.reserve(kFilesPerComparison * readers); // counting what is held asks for no memory
}

OwnFiles::Held OwnFiles::Open(const files::Folder& folder, std::string_view name, int& code, files::Access access,
                              files::LinkTrail* trail, const files::AbsentNames* absent)
{
    // A name that is a link (or anything else no regular file) is tried again, following links.
    bool followed = false;
    auto file = OpenOwnName(folder, name, code, access, trail, absent);
    if (!file && code == files::kRefused) {
        file = OpenFollowing(folder, name, code, access, trail, absent);
        followed = true;
    }
    if (!file)
        return {};
    if (!followed && file.Opened().links == 1)
        return {nullptr, std::move(file)}; // no other way leads to it: never a leased file
    const std::lock_guard lock(FMutex);
    FHeld.push_back(file.Id()); // may run out of memory only beyond the reserve: the file closes again
    return {this, std::move(file)};
}

files::File OwnFiles::OpenOwnName(const files::Folder& folder, std::string_view name, int& code,
                                  files::Access access, files::LinkTrail* trail, const files::AbsentNames* absent)
{
    for (;;) {
        FOwnNames.fetch_add(1);
        if (!FEveryName.load())
            break;
        LeaveOwnName();
        std::unique_lock lock(FMutex);
        FChanged.wait(lock, [this] { return !FEveryName.load(); });
    }
    const Finally leave([this] { LeaveOwnName(); });
    return files::File::OpenIn(folder, name, code, access, trail, absent, files::Links::Own);
}

void OwnFiles::LeaveOwnName()
{
    if (FOwnNames.fetch_sub(1) == 1 && FEveryName.load()) {
        const std::lock_guard lock(FMutex); // the removal's thread may be about to wait for this
        FChanged.notify_all();
    }
}

files::File OwnFiles::OpenFollowing(const files::Folder& folder, std::string_view name, int& code,
                                    files::Access access, files::LinkTrail* trail, const files::AbsentNames* absent)
{
    {
        std::unique_lock lock(FMutex);
        FChanged.wait(lock, [this] { return !FLeasing; });
        ++FFollowing;
    }
    const Finally leave([this] {
        const std::lock_guard lock(FMutex);
        if (--FFollowing == 0 && FLeasing)
            FChanged.notify_all();
    });
    return files::File::OpenIn(folder, name, code, access, trail, absent, files::Links::Follow);
}

files::Lease OwnFiles::Lease(const files::File& file)
{
    std::unique_lock lock(FMutex);
    for (;;) {
        FLeasing = true;
        const bool everyName = file.Opened().links > 1;
        FEveryName.store(everyName);
        FChanged.wait(lock, [&] { return FFollowing == 0 && (!everyName || FOwnNames.load() == 0); });
        const auto lease = file.TakeWriteLease();
        if (lease == files::Lease::Held)
            return lease; // comparisons that might reach the file open nothing until EndLease
        Ended();
        if (lease == files::Lease::Unavailable || HeldCount(file.Id()) == 0)
            return lease;
        FChanged.wait(lock, [&] { return HeldCount(file.Id()) == 0; });
    }
}

void OwnFiles::EndLease(const files::File& file)
{
    file.DropLease();
    const std::lock_guard lock(FMutex);
    Ended();
}

void OwnFiles::Ended()
{
    FLeasing = false;
    FEveryName.store(false);
    FChanged.notify_all();
}

void OwnFiles::Release(const files::FileId& id)
{
    const std::lock_guard lock(FMutex);
    if (const auto at = std::find(FHeld.begin(), FHeld.end(), id); at != FHeld.end()) {
        *at = FHeld.back();
        FHeld.pop_back();
    }
    FChanged.notify_all(); // the removal's thread may wait for this file to be let go
}

std::size_t OwnFiles::HeldCount(const files::FileId& id) const
{
    return static_cast<std::size_t>(std::count(FHeld.begin(), FHeld.end(), id));
}

} // namespace replays
