#include "platform/shellns/Texts.h"

#include <array>
#include <cstdlib>
#include <string_view>
#include <utility>

namespace shellns {
namespace {

// English, Russian; in the order of Word.
constexpr std::array<std::pair<std::string_view, std::string_view>, 10> kWords{{
    {"Desktop", "Рабочий стол"},
    {"Home", "Домашняя папка"},
    {"Computer", "Компьютер"},
    {"Trash", "Корзина"},
    {"File System", "Файловая система"},
    {"&Open", "&Открыть"},
    {"&Delete", "&Удалить"},
    {"Rena&me", "Переи&меновать"},
    {"Move the folder \u201c%1\u201d to the trash?", "Переместить папку \u00ab%1\u00bb в корзину?"},
    {"Could not open \u201c%1\u201d: no application that opens folders was found.",
     "Не удалось открыть \u00ab%1\u00bb: не найдено приложение, которое открывает папки."},
}};

std::string_view Variable(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string_view(value) : std::string_view();
}

bool IsPlainLocale(std::string_view locale)
{
    return locale.empty() || locale == "C" || locale == "POSIX" || locale.substr(0, 2) == "C.";
}

bool IsLanguage(std::string_view language, std::string_view code)
{
    return language.substr(0, 2) == code && (language.size() == 2 || language[2] == '_' || language[2] == '.');
}

} // namespace

bool RussianMessages()
{
    std::string_view locale = Variable("LC_ALL");
    if (locale.empty())
        locale = Variable("LC_MESSAGES");
    if (locale.empty())
        locale = Variable("LANG");
    if (IsPlainLocale(locale))
        return false;
    std::string_view languages = Variable("LANGUAGE");
    if (languages.empty())
        return IsLanguage(locale, "ru");
    while (!languages.empty()) {
        const std::size_t colon = languages.find(':');
        const std::string_view language = languages.substr(0, colon);
        if (IsLanguage(language, "ru"))
            return true;
        if (IsLanguage(language, "en"))
            return false;
        languages = colon == std::string_view::npos ? std::string_view() : languages.substr(colon + 1);
    }
    return false; // none of the languages asked for is one of ours: the words as written
}

std::string LocalText(Word word)
{
    const auto& [english, russian] = kWords[static_cast<std::size_t>(word)];
    return std::string(RussianMessages() ? russian : english);
}

} // namespace shellns
