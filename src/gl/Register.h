#pragma once
// Makes the decorative controls known to form descriptions ("object glBitBtn1: TglBitBtn").

void RegisterGlClasses();
