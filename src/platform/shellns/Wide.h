#pragma once
// Byte names to UTF-16 and back without loss: valid UTF-8 is decoded, every byte that is not part of
// valid UTF-8 becomes the lone surrogate U+DC00+byte, which the way back turns into that byte again.
#include <QString>

#include <optional>
#include <string>
#include <string_view>

namespace shellns {

std::u16string BytesToWide(std::string_view bytes);
std::string WideToBytes(std::u16string_view wide);

// The program's one way between a path (bytes on disk) and the text a widget or a message shows,
// in both directions: a name that is not UTF-8 comes back byte for byte from the text made of it.
QString PathToText(std::string_view path);
std::string TextToPath(const QString& text);

// The name by which Qt's own file calls (the trash, icon themes) reach path. They encode every
// name as UTF-8, so a path that is not UTF-8 has none: any text given for it would reach another
// file.
std::optional<QString> QtFileName(std::string_view path);

} // namespace shellns
