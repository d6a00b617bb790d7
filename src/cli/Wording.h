#pragma once
// The command line's words for what it counts: a number of things with their noun in the singular
// or the plural, an amount of bytes, and what dedupe did (or would do) with the duplicates.

#include "cli/Arguments.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace cli {

// "1 duplicate", "2 duplicates", "0 duplicates".
std::string Counted(std::uint64_t count, std::string_view singular, std::string_view plural);

// Bytes in the units numfmt --to=si uses, powers of 1000, to a tenth: "166.8 MB"; below a
// kilobyte exactly: "512 bytes", "1 byte".
std::string SizeText(std::uint64_t bytes);

// What dedupe does with each duplicate, in the words of its progress and its count line. A way
// of dealing with duplicates adds a row to the table in Wording.cpp.
struct DisposalWords {
    Disposal disposal;
    std::string_view done; // of the duplicates: "deleted"
    std::string_view wouldBe; // the same in a dry run: "would be deleted"
    std::string_view bytesDone; // of their bytes: "freed"
    std::string_view bytesWouldBe; // "would be freed"
};

// The words of args' way of dealing with duplicates, for a dry run or a real one.
std::string_view DoneWords(const Arguments& args);

// The line that ends dedupe's output: "2000 duplicates deleted, 166.8 MB freed".
std::string CountLine(const Arguments& args, std::uint64_t count, std::uint64_t bytes);

} // namespace cli
