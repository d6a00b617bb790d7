#include "support/ClassicColors.h"

namespace gdi {

ScopedClassicColors::ScopedClassicColors() : wasPinned_(SystemColors::IsPinned())
{
    // A pinned table reads back through Get unchanged, so it can be pinned again afterwards.
    if (wasPinned_)
        for (int i = 0; i < kSystemColorCount; ++i)
            previous_[std::size_t(i)] = SystemColors::Get(i);
    SystemColors::PinClassic();
}

ScopedClassicColors::~ScopedClassicColors()
{
    if (wasPinned_)
        SystemColors::Pin(previous_);
    else
        SystemColors::Unpin();
}

}  // namespace gdi
