// Writes the benchmarks' deterministic replay tree into a folder, for the whole-process script.
#include "ReplayTree.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: make_replay_tree FOLDER COUNT [SEED [COPY_EVERY]]\n");
        return 2;
    }
    try {
        const auto tree = bench::MakeReplayTree(argv[1], std::strtoull(argv[2], nullptr, 10),
                                                argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 1,
                                                argc > 4 ? std::strtoull(argv[4], nullptr, 10)
                                                         : bench::kDefaultCopyEvery);
        std::printf("%zu replays (%zu copies) in %zu folders\n", tree.replays, tree.copies, tree.folders.size());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_replay_tree: %s\n", e.what());
        return 1;
    }
    return 0;
}
