#include "support/ClassicColors.h"

#include <QGuiApplication>

namespace gdi {

ScopedClassicColors::ScopedClassicColors()
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return;
    FPrevious = QGuiApplication::palette();
    QGuiApplication::setPalette(PaletteOf(ClassicSystemColors()));
}

ScopedClassicColors::~ScopedClassicColors()
{
    if (FPrevious)
        QGuiApplication::setPalette(*FPrevious);
}

}  // namespace gdi
