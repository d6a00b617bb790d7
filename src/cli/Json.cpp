#include "cli/Json.h"

#include "platform/fs/Utf8.h"

#include <cassert>
#include <charconv>

namespace cli {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

void AppendEscape(std::string& out, unsigned value)
{
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4)
        out += kHexDigits[(value >> shift) & 0xF];
}

} // namespace

void AppendJsonString(std::string& out, std::string_view bytes)
{
    out += '"';
    for (std::size_t i = 0; i < bytes.size();) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c >= 0x80) {
            char32_t ignored;
            if (const auto length = files::Utf8Sequence(bytes, i, ignored); length != 0) {
                out.append(bytes.substr(i, length));
                i += length;
            } else {
                AppendEscape(out, 0xDC00u + c);
                ++i;
            }
            continue;
        }
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20)
                AppendEscape(out, c);
            else
                out += static_cast<char>(c);
        }
        ++i;
    }
    out += '"';
}

void AppendHex(std::string& out, std::string_view bytes)
{
    for (const char b : bytes) {
        const auto c = static_cast<unsigned char>(b);
        out += kHexDigits[c >> 4];
        out += kHexDigits[c & 0xF];
    }
}

JsonWriter& JsonWriter::BeginObject()
{
    Open('{', JsonLayout::Inline);
    return *this;
}

JsonWriter& JsonWriter::EndObject()
{
    Close('}');
    return *this;
}

JsonWriter& JsonWriter::BeginArray(JsonLayout layout)
{
    Open('[', layout);
    return *this;
}

JsonWriter& JsonWriter::EndArray()
{
    Close(']');
    return *this;
}

JsonWriter& JsonWriter::Key(std::string_view key)
{
    Separate();
    AppendJsonString(FOut, key);
    FOut += ':';
    FAfterKey = true;
    return *this;
}

JsonWriter& JsonWriter::String(std::string_view bytes)
{
    Separate();
    AppendJsonString(FOut, bytes);
    return *this;
}

JsonWriter& JsonWriter::Hex(std::string_view bytes)
{
    Separate();
    FOut += '"';
    AppendHex(FOut, bytes);
    FOut += '"';
    return *this;
}

JsonWriter& JsonWriter::Integer(std::uint64_t value)
{
    Separate();
    char digits[20];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    FOut.append(digits, end);
    return *this;
}

JsonWriter& JsonWriter::Bool(bool value)
{
    Separate();
    FOut += value ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::BreakLine()
{
    FBreak = true;
    return *this;
}

// Before a key, or a value that is no member's: a comma after the level's earlier ones, and a
// line break where the level's layout or the caller asks for one.
void JsonWriter::Separate()
{
    if (FAfterKey) {
        FAfterKey = false;
        return;
    }
    if (FDepth == 0)
        return;
    if ((FHasItems & Level()) != 0)
        FOut += ',';
    FHasItems |= Level();
    if ((FItemPerLine & Level()) != 0 || FBreak)
        FOut += '\n';
    FBreak = false;
}

void JsonWriter::Open(char bracket, JsonLayout layout)
{
    Separate();
    assert(FDepth < kMaxDepth);
    FOut += bracket;
    ++FDepth;
    FHasItems &= ~Level();
    if (layout == JsonLayout::ItemPerLine)
        FItemPerLine |= Level();
    else
        FItemPerLine &= ~Level();
}

void JsonWriter::Close(char bracket)
{
    assert(FDepth > 0);
    FOut += bracket;
    --FDepth;
    FBreak = false;
}

} // namespace cli
