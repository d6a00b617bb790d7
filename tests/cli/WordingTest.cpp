#include "cli/Wording.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <string>

namespace {

TEST(CliWording, SizesAreInPowersOfAThousandToATenthRoundedHalfUp)
{
    const std::pair<std::uint64_t, std::string> rows[] = {
        {0, "0 bytes"},
        {1, "1 byte"},
        {999, "999 bytes"},
        {1000, "1.0 KB"},
        {1049, "1.0 KB"},
        {1050, "1.1 KB"},
        {14000, "14.0 KB"},
        {999949, "999.9 KB"},
        {999950, "1.0 MB"}, // not "1000.0 KB"
        {166800000, "166.8 MB"},
        {1000000000, "1.0 GB"},
        {1234567890123, "1.2 TB"},
        {std::numeric_limits<std::uint64_t>::max(), "18.4 EB"},
    };
    for (const auto& [bytes, text] : rows)
        EXPECT_EQ(cli::SizeText(bytes), text) << bytes;
}

TEST(CliWording, TheCountLineSaysWhatEachWayOfDealingWithDuplicatesDid)
{
    struct Row {
        cli::Disposal disposal;
        bool dryRun;
        std::uint64_t count;
        std::uint64_t bytes;
        std::string line;
    };
    const Row rows[] = {
        {cli::Disposal::Delete, false, 2000, 166800000, "2000 duplicates deleted, 166.8 MB freed"},
        {cli::Disposal::Delete, true, 1, 14000, "1 duplicate would be deleted, 14.0 KB would be freed"},
        {cli::Disposal::Delete, false, 0, 0, "0 duplicates deleted, 0 bytes freed"},
        {cli::Disposal::Trash, false, 3, 42000, "3 duplicates moved to the trash, 42.0 KB in the trash"},
        {cli::Disposal::Trash, true, 1, 500, "1 duplicate would be moved to the trash, 500 bytes would go to the trash"},
    };
    for (const auto& row : rows) {
        cli::Arguments args;
        args.disposal = row.disposal;
        args.dryRun = row.dryRun;
        EXPECT_EQ(cli::CountLine(args, row.count, row.bytes), row.line);
    }
}

} // namespace
