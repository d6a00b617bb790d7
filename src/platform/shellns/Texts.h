#pragma once
// The namespace's own words (place names, menu commands, its questions and complaints) in the
// user's language as a desktop picks it: Russian under a Russian locale, English otherwise. Only
// what is shown changes; paths, parsing names and verbs are the same in every language.
#include <string>

namespace shellns {

enum class Word {
    Desktop,
    Home,
    Computer,
    Trash,
    FileSystem,
    Open,   // menu command, "&" marks the access key
    Delete, // menu command
    Rename, // menu command
    ConfirmTrash, // a question; "%1" stands for the folder's name
    CannotOpen,   // an error; "%1" stands for the item's name
};

// The word as UTF-8 in the language of the user's messages.
std::string LocalText(Word word);

// Whether the user's messages are in Russian, decided as for any translated program: the plain C
// locale (LC_ALL, else LC_MESSAGES, else LANG) is English; otherwise the first entry of LANGUAGE
// that names Russian or English decides (English when none does), and without LANGUAGE the
// locale's own language.
bool RussianMessages();

} // namespace shellns
