#pragma once
// Reading replays on several threads while their results are taken in the order they were
// asked for. Internal to the engine.
//
// One thread, the owner, pushes jobs and takes their results; helper threads and the owner read
// them. Read runs on any of these threads, once per job; Take runs on the owner, in push order,
// and lets go of whatever the job holds (its slot is only overwritten by a later push).
// Jobs wait in a ring of fixed size, so the owner reads for itself when it runs ahead, and only
// waits for a helper when the job at the head is still in that helper's hands.
//
// How many read at once follows the reads themselves. A helper is woken only when jobs pile up
// unclaimed beyond what the readers already awake will soon take, and takes a batch of them at a
// time, the batch as many jobs as take about kWorthWaking to read, by the time reads have been
// taking lately. While most reads are quick (served from the cache), no more threads read than
// there are cores, and they take a few dozen jobs per waking: waking threads for jobs of a few
// microseconds, or running more of them than cores, costs more than it gives. When most reads
// wait for the disk, batches shrink to one and up to kMaxReaders requests are in flight at once.
//
// What Read throws (memory running out on a reading thread, say) is thrown again on the owner when
// it comes to take that job, after every job before it was taken, as if the owner had read it
// itself. Helpers the system will not start (a tight limit on memory or threads) are done
// without: the owner reads whatever is left.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace replays {

// Readers at most, the owner included: enough requests in flight to keep a disk busy.
inline constexpr unsigned kMaxReaders = 16;
// A woken helper should find at least this much reading to do.
inline constexpr std::chrono::nanoseconds kWorthWaking{std::chrono::microseconds(200)};
// A read that takes longer most likely waited for the disk.
inline constexpr std::chrono::nanoseconds kDiskWait{std::chrono::microseconds(100)};
inline constexpr std::size_t kMaxBatch = 32;
inline constexpr std::size_t kDefaultRingSize = 512;

template <class Job>
class OrderedReads {
public:
    // threads counts the owner too; 0 means as many as the reads need, up to kMaxReaders. At most
    // ringSize jobs wait, read or not, with whatever they hold.
    OrderedReads(unsigned threads, std::function<void(Job&)> read, std::function<void(Job&)> take,
                 std::size_t ringSize = kDefaultRingSize)
        : FRead(std::move(read)), FTake(std::move(take)), FRing(ringSize)
    {
        if (threads == 0)
            threads = kMaxReaders;
        FCores = std::clamp(std::thread::hardware_concurrency(), 1u, threads);
        FHelpers.reserve(threads - 1);
        try {
            for (unsigned i = 1; i < threads; ++i)
                FHelpers.emplace_back([this] { Help(); });
        } catch (const std::system_error&) {
            // The helpers already running will do; the owner reads the rest.
        } catch (...) {
            Stop(); // out of memory: the helpers started go before it is told
            throw;
        }
        FCores = std::min<unsigned>(FCores, static_cast<unsigned>(FHelpers.size()) + 1);
    }

    ~OrderedReads() { Stop(); }

    OrderedReads(const OrderedReads&) = delete;
    OrderedReads& operator=(const OrderedReads&) = delete;

    void Push(Job job)
    {
        while (Waiting() == FRing.size())
            Advance();
        const auto tail = FTail.load(std::memory_order_relaxed);
        FRing[tail % FRing.size()].job = std::move(job);
        FTail.store(tail + 1);
        const int sleepers = FSleepers.load();
        if (sleepers == 0)
            return;
        const auto awake = FHelpers.size() - static_cast<std::size_t>(sleepers);
        const std::size_t most = ReadsWait() ? FHelpers.size() : FCores - 1;
        if (awake < most && tail + 1 - FNext.load() > (awake + 1) * Batch()) {
            const std::lock_guard lock(FMutex);
            FWake.notify_one();
        }
    }

    std::size_t Waiting() const { return static_cast<std::size_t>(FTail.load(std::memory_order_relaxed) - FHead); }

    // One step on the oldest job: take it when read, else read some job, else wait for it.
    void Advance()
    {
        Slot& head = FRing[FHead % FRing.size()];
        if (head.done.load(std::memory_order_acquire)) {
            head.done.store(false, std::memory_order_relaxed);
            ++FHead;
            if (auto failure = std::exchange(head.failure, nullptr))
                std::rethrow_exception(failure);
            FTake(head.job);
            return;
        }
        if (std::uint64_t claimed = 0; Claim(claimed) > 0) {
            Read(claimed);
            return;
        }
        head.done.wait(false, std::memory_order_acquire);
    }

    // Reads and takes everything pushed so far.
    void Finish()
    {
        while (Waiting() > 0)
            Advance();
    }

private:
    void Stop()
    {
        {
            const std::lock_guard lock(FMutex);
            FStopping = true;
        }
        FWake.notify_all();
        for (auto& helper : FHelpers)
            helper.join();
        FHelpers.clear();
    }

    struct Slot {
        Job job{};
        std::exception_ptr failure; // what reading the job threw
        std::atomic<bool> done{false};
    };

    // Claims up to most jobs in a row, from index on; returns how many (0: none are left).
    std::uint64_t Claim(std::uint64_t& index, std::uint64_t most = 1)
    {
        index = FNext.load();
        for (;;) {
            const auto count = std::min(most, FTail.load() - index);
            if (count == 0)
                return 0;
            if (FNext.compare_exchange_weak(index, index + count))
                return count;
        }
    }

    static constexpr std::int64_t kReadTimeWeight = 16;
    static constexpr std::int64_t kAllReads = 1024; // FWaitingShare when every read waited

    std::size_t Batch() const
    {
        const auto time = std::max<std::int64_t>(FReadTime.load(std::memory_order_relaxed), 1);
        return std::clamp<std::size_t>(static_cast<std::size_t>(kWorthWaking.count() / time), 1, kMaxBatch);
    }

    // Whether most reads lately waited for the disk. A read of a cached file that was only
    // preempted now and then leaves the share low, where it would raise an average time.
    bool ReadsWait() const { return FWaitingShare.load(std::memory_order_relaxed) > kAllReads / 2; }

    void Read(std::uint64_t index)
    {
        Slot& slot = FRing[index % FRing.size()];
        const auto start = std::chrono::steady_clock::now();
        try {
            FRead(slot.job);
        } catch (...) {
            slot.failure = std::current_exception();
        }
        const std::int64_t took = std::chrono::nanoseconds(std::chrono::steady_clock::now() - start).count();
        const auto average = FReadTime.load(std::memory_order_relaxed);
        FReadTime.store(average + (took - average) / kReadTimeWeight, std::memory_order_relaxed);
        const auto share = FWaitingShare.load(std::memory_order_relaxed);
        const std::int64_t waited = took > kDiskWait.count() ? kAllReads : 0;
        FWaitingShare.store(share + (waited - share) / kReadTimeWeight, std::memory_order_relaxed);
        slot.done.store(true, std::memory_order_release);
        slot.done.notify_one();
    }

    void Help()
    {
        for (;;) {
            // A batch at a time: a helper woken for jobs of a few microseconds each must find
            // enough of them to be worth the waking.
            if (FStopping.load(std::memory_order_relaxed))
                return; // the owner has gone on without what is left (it threw, say)
            if (std::uint64_t first = 0, count = Claim(first, Batch()); count > 0) {
                for (auto index = first; index < first + count; ++index)
                    Read(index);
                continue;
            }
            std::unique_lock lock(FMutex);
            ++FSleepers; // before looking again, so that a push after the look sees a sleeper
            FWake.wait(lock, [this] { return FStopping || FNext.load() < FTail.load(); });
            --FSleepers;
            if (FStopping)
                return;
        }
    }

    std::function<void(Job&)> FRead;
    std::function<void(Job&)> FTake;
    std::vector<Slot> FRing;
    // How long a read has been taking lately, in nanoseconds: an average that leans on the last
    // kReadTimeWeight reads. Written by every reader without a lock; a lost update is harmless.
    std::atomic<std::int64_t> FReadTime{0};
    // The share of recent reads that took longer than kDiskWait, out of kAllReads; same weight.
    std::atomic<std::int64_t> FWaitingShare{0};
    unsigned FCores = 1; // readers, the owner counted, while reads are quick
    std::uint64_t FHead = 0; // next to take; the owner's alone
    std::atomic<std::uint64_t> FTail{0}; // next free slot; written by the owner
    std::atomic<std::uint64_t> FNext{0}; // next to read; claimed by anyone
    std::mutex FMutex;
    std::condition_variable FWake;
    std::atomic<int> FSleepers{0};
    std::atomic<bool> FStopping{false}; // set under FMutex, so that a helper about to sleep sees it
    std::vector<std::thread> FHelpers;
};

} // namespace replays
