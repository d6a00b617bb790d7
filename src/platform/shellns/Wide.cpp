#include "platform/shellns/Wide.h"

#include "platform/fs/Utf8.h"

#include <cstdint>

namespace shellns {
namespace {

constexpr char16_t kEscapeBase = 0xDC00;
constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace

std::u16string BytesToWide(std::string_view bytes)
{
    std::u16string wide;
    wide.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        char32_t cp;
        const std::size_t len = files::Utf8Sequence(bytes, i, cp);
        if (len == 0) {
            wide += static_cast<char16_t>(kEscapeBase + static_cast<std::uint8_t>(bytes[i]));
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            wide += static_cast<char16_t>(0xD800 + (cp >> 10));
            wide += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            wide += static_cast<char16_t>(cp);
        }
        i += len;
    }
    return wide;
}

std::string WideToBytes(std::u16string_view wide)
{
    std::string bytes;
    bytes.reserve(wide.size());
    for (std::size_t i = 0; i < wide.size(); ++i) {
        const char16_t u = wide[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) {
            AppendUtf8(bytes, 0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(wide[i + 1]) - 0xDC00));
            ++i;
        } else if (u >= kEscapeBase + 0x80 && u <= kEscapeBase + 0xFF) {
            bytes += static_cast<char>(u - kEscapeBase);
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            AppendUtf8(bytes, kReplacement); // a lone surrogate that no byte name produced
        } else {
            AppendUtf8(bytes, u);
        }
    }
    return bytes;
}

QString PathToText(std::string_view path)
{
    return QString::fromStdU16String(BytesToWide(path));
}

std::string TextToPath(const QString& text)
{
    return WideToBytes(text.toStdU16String());
}

std::optional<QString> QtFileName(std::string_view path)
{
    // Bytes that are not UTF-8 are the only source of lone surrogates in a path's text.
    QString text = PathToText(path);
    if (!text.isValidUtf16())
        return std::nullopt;
    return text;
}

} // namespace shellns
