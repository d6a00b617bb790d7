// Writes the benchmarks' deterministic replay tree into a folder, for the whole-process script.
#include "ReplayTree.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: make_replay_tree FOLDER COUNT [SEED [COPY_EVERY [MAX_BYTES [dense]]]]\n");
        return 2;
    }
    const auto number = [&](int i, std::size_t otherwise) {
        return argc > i ? std::strtoull(argv[i], nullptr, 10) : otherwise;
    };
    bench::TreeShape shape;
    shape.copyEvery = number(4, shape.copyEvery);
    shape.maxBytes = number(5, shape.maxBytes);
    shape.dense = argc > 6 && std::string(argv[6]) == "dense";
    try {
        const auto tree = bench::MakeReplayTree(argv[1], std::strtoull(argv[2], nullptr, 10), number(3, 1), shape);
        std::printf("%zu replays (%zu copies) in %zu folders\n", tree.replays, tree.copies, tree.folders.size());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_replay_tree: %s\n", e.what());
        return 1;
    }
    return 0;
}
