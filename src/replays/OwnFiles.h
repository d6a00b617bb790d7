#pragma once
// The files a removal itself holds open, so that its own descriptors never cost it a write lease
// (platform/fs/File.h: Lease). Internal to the engine (Removal.cpp).
//
// Comparisons on reading threads open files while the removal's thread deletes others; one file
// may be met under two names (hard links, or a symbolic link to it), so a comparison running
// ahead may hold the very file the removal is about to delete. No later comparison opens the name
// being deleted itself: only another name of the file leads there, a link, or a second name of a
// file that has several. Two rules keep the lease's answer true to other programs alone:
// - while a lease is held no comparison opens through a link, nor, when the leased file has
//   several names, opens at all: the open would break the lease and read as another program
//   reaching for the file. Plain names of files that have one name, nearly all of them, are
//   opened without waiting for anything, or taking any lock;
// - a lease refused while a comparison holds the file is asked for again once the comparison has
//   let go of it (it does so when it ends, and it waits for nothing of the removal's thread).
//   Only files that could be the leased one are counted: those with several names, and those
//   reached through a link.

#include "platform/fs/File.h"
#include "platform/fs/Folder.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string_view>
#include <utility>
#include <vector>

namespace replays {

class OwnFiles {
public:
    // A file a comparison holds open, counted as the removal's own while it lives (when it could
    // be a file the removal leases).
    class Held {
    public:
        Held() = default;
        Held(Held&& other) noexcept : FOwner(std::exchange(other.FOwner, nullptr)), FFile(std::move(other.FFile)) {}
        Held& operator=(Held&&) = delete;
        Held(const Held&) = delete;
        ~Held();

        const files::File& operator*() const { return FFile; }
        const files::File* operator->() const { return &FFile; }
        explicit operator bool() const { return static_cast<bool>(FFile); }

        // The file itself, no longer counted: for a file no name but its own leads to, which no
        // other comparison can open.
        files::File Keep() &&;

    private:
        friend class OwnFiles;
        Held(OwnFiles* owner, files::File file) : FOwner(owner), FFile(std::move(file)) {}

        OwnFiles* FOwner = nullptr; // null: not counted
        files::File FFile;
    };

    // readers: the reading threads, the removal's own included, that may hold files at once.
    explicit OwnFiles(unsigned readers);

    // On a reading thread: File::OpenIn, waiting, where it must, for the lease held to go.
    Held Open(const files::Folder& folder, std::string_view name, int& code, files::Access access,
              files::LinkTrail* trail, const files::AbsentNames* absent);

    // On the removal's thread: a write lease on file, which it opened itself. Refused only for
    // another program's descriptor or mapping. After Held, EndLease must follow.
    files::Lease Lease(const files::File& file);
    void EndLease(const files::File& file);

private:
    files::File OpenOwnName(const files::Folder& folder, std::string_view name, int& code, files::Access access,
                            files::LinkTrail* trail, const files::AbsentNames* absent);
    files::File OpenFollowing(const files::Folder& folder, std::string_view name, int& code, files::Access access,
                              files::LinkTrail* trail, const files::AbsentNames* absent);
    void LeaveOwnName();
    void Release(const files::FileId& id);
    std::size_t HeldCount(const files::FileId& id) const;
    void Ended(); // the lease, or the attempt at it, is over: comparisons may open again

    std::mutex FMutex;
    std::condition_variable FChanged;
    bool FLeasing = false;
    std::size_t FFollowing = 0; // comparisons inside an open that may follow a link
    // Opens of plain names, and whether the lease held is on a file with several names. Both
    // are written before the other is read, on either side, so that of an open and a lease
    // beginning at once at least one sees the other.
    std::atomic<std::size_t> FOwnNames{0};
    std::atomic<bool> FEveryName{false};
    std::vector<files::FileId> FHeld; // one entry per counted file held; a few per reading thread
};

} // namespace replays
