#pragma once
// Pins the classic system colour table for one scope, for tests of exact pixels.

#include "platform/gdi/Colors.h"

namespace gdi {

class ScopedClassicColors {
public:
    ScopedClassicColors();
    ~ScopedClassicColors();
    ScopedClassicColors(const ScopedClassicColors&) = delete;
    ScopedClassicColors& operator=(const ScopedClassicColors&) = delete;

private:
    bool FWasPinned;
    SystemColorTable FPrevious{};
};

}  // namespace gdi
