#pragma once
// The JSON the command line writes, all of it through one writer that places its own separators.
//
//   cli::JsonWriter json(out.Buffer());
//   json.BeginObject().Field("folder", path).Key("deleted").BeginArray(cli::JsonLayout::ItemPerLine);
//   json.String(deleted);                         // an item at a time, flushed in between
//   json.EndArray().BreakLine().Key("cancelled").Bool(false).EndObject();
//
// The writer appends to a buffer it does not own (an Output's, which holds room for a whole item)
// and keeps only a few bits of state, so a long array can be written item by item, the buffer
// written out and emptied between items, with no memory taken per item. It writes what it is told
// in the order told; a key outside an object or an unclosed array is its caller's mistake.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace cli {

// Appends bytes as a JSON string literal. Valid UTF-8 passes through unchanged; each byte that
// is not part of valid UTF-8 becomes \udcXX (U+DC00 + the byte), the escape Python's
// "surrogateescape" error handler reads back as that very byte, so no path is lost.
void AppendJsonString(std::string& out, std::string_view bytes);

void AppendHex(std::string& out, std::string_view bytes);

enum class JsonLayout : std::uint8_t {
    Inline, // items follow one another on the line
    ItemPerLine, // each item begins a line of its own (long lists, read a line at a time)
};

class JsonWriter {
public:
    explicit JsonWriter(std::string& out) : FOut(out) {}

    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray(JsonLayout layout = JsonLayout::Inline);
    JsonWriter& EndArray();
    JsonWriter& Key(std::string_view key);
    JsonWriter& String(std::string_view bytes);
    JsonWriter& Hex(std::string_view bytes); // lower-case hex, as a string
    JsonWriter& Integer(std::uint64_t value);
    JsonWriter& Bool(bool value);
    JsonWriter& Field(std::string_view key, std::string_view value) { return Key(key).String(value); }
    // The next key or item begins a line of its own.
    JsonWriter& BreakLine();

    // Objects and arrays open at once; deeper nesting than this is a mistake of the caller's.
    static constexpr unsigned kMaxDepth = 32;

private:
    void Separate();
    void Open(char bracket, JsonLayout layout);
    void Close(char bracket);
    std::uint32_t Level() const { return std::uint32_t{1} << (FDepth - 1); }

    std::string& FOut;
    unsigned FDepth = 0;
    std::uint32_t FHasItems = 0; // per open level: it has a member or item already
    std::uint32_t FItemPerLine = 0; // per open level: its items begin lines
    bool FAfterKey = false; // the next value is a member's, after its key
    bool FBreak = false;
};

} // namespace cli
