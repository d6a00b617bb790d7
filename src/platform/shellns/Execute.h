#pragma once
// Opening items with the desktop's default handler (xdg-open). Opening never waits for the
// handler: it is started detached and this process goes on at once. A folder is opened only when
// the desktop names an application for folders other than this program itself.
#include <cstdint>
#include <functional>
#include <string>

#include "platform/shellns/IdList.h"

namespace shellns {

constexpr std::uint32_t kExecuteInvokeIdList = 0xC; // the item is given by idList, not by file
constexpr int kShowHide = 0;
constexpr int kShowNormal = 1;
constexpr int kShowShow = 5;
// Execute's results above this value mean success.
constexpr std::intptr_t kExecuteSucceededAbove = 32;
constexpr std::intptr_t kExecuteFileNotFound = 2;
constexpr std::intptr_t kExecuteNoAssociation = 31;

struct ExecuteInfo {
    std::uint32_t size = sizeof(ExecuteInfo);
    std::uint32_t mask = 0;
    const char* verb = nullptr; // "open" or none
    const char* file = nullptr;
    const char* parameters = nullptr;
    const char* directory = nullptr;
    int show = kShowNormal;
    PCItemIdList idList = nullptr;
};

// Opens the item, false when it has nothing to open or no handler could be started.
bool ExecuteEx(ExecuteInfo* info);
// Opens file (a path or a URL) with verb "open" or none; the result is above kExecuteSucceededAbove on success.
std::intptr_t Execute(const char* verb, const char* file, const char* parameters, const char* directory, int show);

// Starts the default handler for a path or URL without waiting for it.
bool OpenWithDefaultHandler(const std::string& target);
// The same, for a caller that must learn whether it worked: ended(opened) runs on this (the
// user-interface) thread once the handler has ended, opened false when it could not be started
// or ended saying it could not open target (xdg-open with no web browser to give a page to).
void OpenInBackground(const std::string& target, std::function<void(bool opened)> ended);

} // namespace shellns
