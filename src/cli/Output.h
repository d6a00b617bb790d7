#pragma once
// Buffered output to standard output or error that remembers whether every write reached its
// stream, and why not.
//
// It writes through the stream's descriptor itself, so that a signal that comes while a reader
// is slow only delays the write (EINTR is no failure). Room for a whole deletion's report is
// taken at the start: telling of a deletion needs no memory.

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace cli {

// What every message on standard error begins with.
inline constexpr std::string_view kProgram = "dupsweep-cli: ";

// The buffer is written out once it holds this much.
inline constexpr std::size_t kFlushThreshold = std::size_t{64} << 10;
// The longest a path may be in a row, and the most its JSON escape can take (six bytes a byte).
inline constexpr std::size_t kLongestReportItem = 6 * 65536 + 8;

class Output {
public:
    explicit Output(std::FILE* stream); // null: closed before the program started
    ~Output() { Flush(); }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    // What is still to be written; text appended to it goes out with the next flush.
    std::string& Buffer() { return FBuffer; }

    void Line(std::string_view text);
    // text on a line of its own, after kProgram.
    void Message(std::string_view text);
    // Writes the buffer out when it holds kFlushThreshold or more.
    void FlushWhenFull();
    // Writes the buffer out; false when this or any earlier write failed.
    bool Flush();

    // Whether the output can take anything at all: closed, opened for reading only, full, or a
    // pipe nobody reads any more. Asked before anything is deleted, when nothing has been written
    // yet that would tell.
    bool Usable();

    const char* Error() const;

private:
    void Write(std::string_view bytes);
    bool Failed(int error);

    std::FILE* FStream;
    int FFd;
    std::string FBuffer;
    int FError = 0;
};

} // namespace cli
