#include "cli/Wording.h"

#include <iterator>

namespace cli {

namespace {

constexpr DisposalWords kDisposals[] = {
    {Disposal::Delete, "deleted", "would be deleted", "freed", "would be freed"},
    {Disposal::Trash, "moved to the trash", "would be moved to the trash", "in the trash", "would go to the trash"},
};

const DisposalWords& WordsOf(Disposal disposal)
{
    for (const auto& words : kDisposals) {
        if (words.disposal == disposal)
            return words;
    }
    return kDisposals[0];
}

constexpr std::uint64_t kThousand = 1000;
constexpr char kPrefixes[] = "KMGTPE"; // as numfmt --to=si writes them

} // namespace

std::string Counted(std::uint64_t count, std::string_view singular, std::string_view plural)
{
    auto text = std::to_string(count);
    text += ' ';
    text += count == 1 ? singular : plural;
    return text;
}

std::string SizeText(std::uint64_t bytes)
{
    if (bytes < kThousand)
        return Counted(bytes, "byte", "bytes");
    std::size_t prefix = 0;
    std::uint64_t unit = kThousand;
    while (prefix + 1 < std::size(kPrefixes) - 1 && bytes / unit >= kThousand) {
        unit *= kThousand;
        ++prefix;
    }
    // Tenths of the unit, rounded half up; 999.96 K is 1.0 M, not 1000.0 K.
    const auto tenths = [&bytes](std::uint64_t of) {
        const auto tenth = of / 10;
        return bytes / tenth + (bytes % tenth >= tenth / 2 ? 1 : 0);
    };
    auto amount = tenths(unit);
    if (amount >= 10 * kThousand && prefix + 1 < std::size(kPrefixes) - 1) {
        unit *= kThousand;
        ++prefix;
        amount = tenths(unit);
    }
    return std::to_string(amount / 10) + '.' + std::to_string(amount % 10) + ' ' + kPrefixes[prefix] + 'B';
}

std::string_view DoneWords(const Arguments& args)
{
    const auto& words = WordsOf(args.disposal);
    return args.dryRun ? words.wouldBe : words.done;
}

std::string CountLine(const Arguments& args, std::uint64_t count, std::uint64_t bytes)
{
    const auto& words = WordsOf(args.disposal);
    auto line = Counted(count, "duplicate", "duplicates");
    line += ' ';
    line += DoneWords(args);
    line += ", ";
    line += SizeText(bytes);
    line += ' ';
    line += args.dryRun ? words.bytesWouldBe : words.bytesDone;
    return line;
}

} // namespace cli
