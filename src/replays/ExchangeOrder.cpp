#include "replays/ExchangeOrder.h"

#include <algorithm>
#include <numeric>

namespace replays {

// Why this gives the exchange sort's order. Pass j leaves in slot j the first occurrence of the
// smallest key of slots j..n; the strictly falling chain of keys it met on the way each move one
// link along the chain. Seen from the keys equal to some w, larger keys never matter, and smaller
// keys matter only as a count: while a "block" of w-keys leads the remaining slots, each pass
// that takes a smaller key moves the block's first w-key behind the rest of the block; a w-key
// met later joins the block at its end. So, reading the run once from left to right: a w-key is
// pushed at the block's back, and every smaller key met while the block is not empty rotates the
// block by one. The block's final order is the w-keys' order in the result. Rotations are kept as
// an offset into a "physical" list (an insert at the back becomes an insert at the offset), whose
// final arrangement comes out of the recorded insert positions offline.

namespace {

// Counts over 0..size-1: add at a position, sum of a prefix, position of the k-th counted one.
class Fenwick {
public:
    explicit Fenwick(std::size_t size) : FTree(size + 1, 0) {}

    // Every position counted once, built in O(size).
    static Fenwick AllOnes(std::size_t size)
    {
        Fenwick f(size);
        for (std::size_t i = 1; i < f.FTree.size(); ++i)
            f.FTree[i] = static_cast<std::uint32_t>(i & (~i + 1));
        return f;
    }

    void Add(std::size_t position, std::int32_t delta)
    {
        for (std::size_t i = position + 1; i < FTree.size(); i += i & (~i + 1))
            FTree[i] = static_cast<std::uint32_t>(static_cast<std::int64_t>(FTree[i]) + delta);
    }

    // Sum over positions 0..count-1.
    std::uint32_t Prefix(std::size_t count) const
    {
        std::uint32_t sum = 0;
        for (std::size_t i = count; i > 0; i -= i & (~i + 1))
            sum += FTree[i];
        return sum;
    }

    // The position holding the (k+1)-th counted one.
    std::size_t FindKth(std::uint32_t k) const
    {
        std::size_t position = 0;
        std::size_t step = 1;
        while (step * 2 < FTree.size())
            step *= 2;
        for (; step > 0; step /= 2) {
            if (position + step < FTree.size() && FTree[position + step] <= k) {
                position += step;
                k -= FTree[position];
            }
        }
        return position;
    }

private:
    std::vector<std::uint32_t> FTree;
};

} // namespace

std::vector<std::uint32_t> ExchangeSortOrder(std::span<const std::string_view> keys)
{
    const std::size_t n = keys.size();
    std::vector<std::uint32_t> order(n);
    std::iota(order.begin(), order.end(), 0u);
    // Stable, so equal keys stay in run order: the order the block reads them in.
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) { return keys[a] < keys[b]; });

    // Dense ranks of the keys; groupStart[w] is where key w's group begins in the result and is
    // also how many keys of the run are smaller than w.
    std::vector<std::uint32_t> rank(n);
    std::vector<std::uint32_t> groupStart;
    bool anyEqual = false;
    for (std::size_t s = 0; s < n; ++s) {
        if (s == 0 || keys[order[s]] != keys[order[s - 1]])
            groupStart.push_back(static_cast<std::uint32_t>(s));
        else
            anyEqual = true;
        rank[order[s]] = static_cast<std::uint32_t>(groupStart.size() - 1);
    }
    if (!anyEqual)
        return order;
    groupStart.push_back(static_cast<std::uint32_t>(n));
    const auto groupSize = [&](std::uint32_t w) { return groupStart[w + 1] - groupStart[w]; };

    // smallerBefore[i]: how many keys before position i are smaller than key i (shared keys only).
    std::vector<std::uint32_t> smallerBefore(n, 0);
    Fenwick seen(groupStart.size() - 1);
    for (std::size_t i = 0; i < n; ++i) {
        if (groupSize(rank[i]) >= 2)
            smallerBefore[i] = seen.Prefix(rank[i]);
        seen.Add(rank[i], 1);
    }

    std::vector<std::uint32_t> insertAt;
    std::vector<std::uint32_t> physical;
    for (std::uint32_t w = 0; w + 1 < groupStart.size(); ++w) {
        const std::uint32_t m = groupSize(w);
        if (m < 2)
            continue;
        const std::span<std::uint32_t> members(order.data() + groupStart[w], m); // run order
        insertAt.assign(m, 0);
        std::uint64_t offset = 0;
        for (std::uint32_t t = 0; t < m; ++t) {
            insertAt[t] = static_cast<std::uint32_t>(offset);
            ++offset;
            const std::uint32_t smallerAfter = (t + 1 < m ? smallerBefore[members[t + 1]] : groupStart[w])
                - smallerBefore[members[t]];
            offset = (offset + smallerAfter) % (t + 1);
        }
        // Replay the inserts backwards: each member takes the insertAt-th slot still free.
        physical.assign(m, 0);
        auto free = Fenwick::AllOnes(m);
        for (std::uint32_t t = m; t-- > 0;) {
            const auto slot = free.FindKth(insertAt[t]);
            physical[slot] = members[t];
            free.Add(slot, -1);
        }
        for (std::uint32_t j = 0; j < m; ++j)
            members[j] = physical[(offset + j) % m];
    }
    return order;
}

} // namespace replays
