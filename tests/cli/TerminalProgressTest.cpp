#include "cli/TerminalProgress.h"

#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <utility>

namespace {

// What a progress line wrote to a terminal, the control sequences that erase it included.
class Terminal {
public:
    Terminal() : FStream(::open_memstream(&FBuffer, &FSize)) {}
    ~Terminal()
    {
        std::fclose(FStream);
        std::free(FBuffer);
    }
    std::FILE* Stream() const { return FStream; }
    std::string Text()
    {
        std::fflush(FStream);
        return {FBuffer, FSize};
    }

private:
    char* FBuffer = nullptr;
    std::size_t FSize = 0;
    std::FILE* FStream;
};

// A removal that starts straight after its scan shows its own first counts at once, in the words
// of what it does, rather than leave the scan's last counts standing until its first file is done.
// Standard error that is no terminal gets nothing.
TEST(CliTerminalProgress, EachStageShowsItsFirstCountsAtOnceInTheWordsOfItsWork)
{
    const std::pair<bool, std::string> rows[] = {
        {true, "\r\x1b[Kscanning: 1 folder, 1 file, 1 replay\r\x1b[K\r\x1b[Kcomparing: 0 of 4, 0 would be deleted"},
        {false, ""},
    };
    for (const auto& [enabled, drawn] : rows) {
        Terminal terminal;
        cli::TerminalProgress progress(terminal.Stream(), enabled, "would be deleted");
        progress.ScanAdvanced({1, 1, 1}, "/r");
        progress.Finish();
        progress.RemovalAdvanced({4, 0, 0, 0, 0});
        EXPECT_EQ(terminal.Text(), drawn) << enabled;
    }
}

} // namespace
