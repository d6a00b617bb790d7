// A removal in a process of its own, for the tests that run one where the test itself cannot be:
// in another pid or time namespace (RemovalNamespaceTest.cpp).
//
//   removal_elsewhere FOLDER WAKE GO
//
// Scans FOLDER and removes its duplicates. At its first deletion it writes a byte to descriptor
// WAKE and waits for one on descriptor GO. Then it prints "deleted N", and a line "kept PATH" for
// each file it kept.
#include "replays/FolderWalk.h"
#include "replays/Removal.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

// Holds the removal at its first deletion until the test has looked.
class FirstDeletion : public replays::RemovalReport {
public:
    FirstDeletion(int wake, int go) : FWake(wake), FGo(go) {}

    void Deleted(const std::string&) override
    {
        if (FTold)
            return;
        FTold = true;
        char byte = 'w';
        if (::write(FWake, &byte, 1) != 1 || ::read(FGo, &byte, 1) != 1)
            std::exit(2);
    }

private:
    int FWake;
    int FGo;
    bool FTold = false;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4)
        return 2;
    replays::Catalogue catalogue;
    replays::FindReplays(catalogue, argv[1]);
    FirstDeletion report(std::atoi(argv[2]), std::atoi(argv[3]));
    replays::RemovalOptions options;
    options.report = &report;
    const auto result = replays::RemoveDuplicates(catalogue, options);
    std::printf("deleted %zu\n", result.deleted.size());
    for (const auto& kept : result.notDeleted)
        std::printf("kept %s\n", kept.path.c_str());
    return 0;
}
