#include "replays/OrderedReads.h"

#include <gtest/gtest.h>

#include <random>

namespace {

struct Job {
    int number = -1;
    int reads = 0;
    int work = 0; // rounds of busy work, so that jobs end out of order
};

// Whatever the number of readers and however long each job takes, every job is read once and
// taken in the order it was pushed; a ring smaller than the jobs holds them back without losing any.
TEST(OrderedReads, EveryJobIsReadOnceAndTakenInPushOrder)
{
    for (const unsigned threads : {0u, 1u, 4u}) {
        for (const std::size_t ring : {std::size_t{8}, replays::kDefaultRingSize}) {
            std::mt19937 random(threads * 31 + static_cast<unsigned>(ring));
            std::vector<int> taken;
            replays::OrderedReads<Job> reads(
                threads,
                [](Job& job) {
                    ++job.reads;
                    volatile int sink = 0;
                    for (int i = 0; i < job.work; ++i)
                        sink = sink + i;
                },
                [&](Job& job) {
                    EXPECT_EQ(job.reads, 1) << job.number;
                    taken.push_back(job.number);
                },
                ring);
            for (int n = 0; n < 20000; ++n)
                reads.Push({n, 0, static_cast<int>(random() % 20000)});
            reads.Finish();
            ASSERT_EQ(taken.size(), 20000u);
            for (int n = 0; n < 20000; ++n)
                ASSERT_EQ(taken[static_cast<std::size_t>(n)], n) << "threads " << threads << ", ring " << ring;
        }
    }
}

} // namespace
