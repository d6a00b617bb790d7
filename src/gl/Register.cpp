#include "gl/Register.h"

#include "gl/glBitBtn.h"
#include "gl/glHShape.h"
#include "gl/glHint.h"
#include "gl/glLabel.h"

void RegisterGlClasses()
{
    RegisterClass<TglBitBtn>();
    RegisterClass<TglHoleShape>();
    RegisterClass<TglHint>();
    RegisterClass<TglLabel>();
}
