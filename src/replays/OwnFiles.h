#pragma once
// The files a removal itself holds open, so that its own descriptors never cost it a write lease
// (platform/fs/File.h: Lease). Internal to the engine (Removal.cpp).
//
// Comparisons on reading threads open files while the removal's thread deletes others; one file
// may be met under two names (hard links), so a comparison running ahead may hold the very file
// the removal is about to delete. Two rules keep the lease's answer true to other programs alone:
// - no comparison opens a file while a lease is held, for the open would wait on the lease and
//   read as another program reaching for the file;
// - a lease refused while a comparison holds the file is asked for again once the comparison has
//   let go of it (it does so when it ends, and it waits for nothing of the removal's thread).

#include "platform/fs/File.h"
#include "platform/fs/Folder.h"

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string_view>
#include <utility>
#include <vector>

namespace replays {

class OwnFiles {
public:
    // A file a comparison holds open, counted as the removal's own while it lives.
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

    private:
        friend class OwnFiles;
        Held(OwnFiles* owner, files::File file) : FOwner(owner), FFile(std::move(file)) {}

        OwnFiles* FOwner = nullptr;
        files::File FFile;
    };

    // readers: the reading threads, the removal's own included, that may hold files at once.
    explicit OwnFiles(unsigned readers);

    // On a reading thread: File::OpenIn, never while a lease is held.
    Held Open(const files::Folder& folder, std::string_view name, int& code, files::Access access,
              files::LinkTrail* trail, const files::AbsentNames* absent);

    // On the removal's thread: a write lease on file, which it opened itself. Refused only for
    // another program's descriptor or mapping. After Held, EndLease must follow.
    files::Lease Lease(const files::File& file);
    void EndLease(const files::File& file);

private:
    void Release(const files::FileId& id);
    std::size_t HeldCount(const files::FileId& id) const;

    std::mutex FMutex;
    std::condition_variable FChanged;
    bool FLeasing = false;
    std::size_t FOpening = 0; // comparisons inside an open
    std::vector<files::FileId> FHeld; // one entry per file held; a few per reading thread
};

} // namespace replays
