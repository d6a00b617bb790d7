#pragma once
// Raster operations the program has no use for, by their usual names: the transfer takes any
// code, and these show that its truth table is read right.

#include "platform/gdi/DeviceContext.h"

namespace gdi::test {

constexpr RasterOp SRCINVERT = 0x00660046;
constexpr RasterOp SRCERASE = 0x00440328;
constexpr RasterOp NOTSRCCOPY = 0x00330008;
constexpr RasterOp MERGECOPY = 0x00C000CA;
constexpr RasterOp PATCOPY = 0x00F00021;
constexpr RasterOp DSTINVERT = 0x00550009;
constexpr RasterOp BLACKNESS = 0x00000042;
constexpr RasterOp WHITENESS = 0x00FF0062;

}  // namespace gdi::test
