#include "support/ClassicColors.h"

namespace gdi {

ScopedClassicColors::ScopedClassicColors() : FWasPinned(SystemColors::IsPinned())
{
    // A pinned table reads back through Get unchanged, so it can be pinned again afterwards.
    if (FWasPinned)
        for (int i = 0; i < kSystemColorCount; ++i)
            FPrevious[std::size_t(i)] = SystemColors::Get(i);
    SystemColors::PinClassic();
}

ScopedClassicColors::~ScopedClassicColors()
{
    if (FWasPinned)
        SystemColors::Pin(FPrevious);
    else
        SystemColors::Unpin();
}

}  // namespace gdi
