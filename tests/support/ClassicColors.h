#pragma once
// The classic system colours for one scope, for tests of exact pixels: meanwhile the application's
// palette is the classic one, which the system colours follow (as the toolkit's application sets
// it at start; a test may have changed it).

#include "platform/gdi/Colors.h"

#include <QPalette>

#include <optional>

namespace gdi {

class ScopedClassicColors {
public:
    ScopedClassicColors();
    ~ScopedClassicColors();
    ScopedClassicColors(const ScopedClassicColors&) = delete;
    ScopedClassicColors& operator=(const ScopedClassicColors&) = delete;

private:
    // None without a GUI application: the system colours are the classic ones then.
    std::optional<QPalette> FPrevious;
};

}  // namespace gdi
