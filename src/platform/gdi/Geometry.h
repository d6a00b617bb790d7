#pragma once
// Rectangles as the drawing calls take them: right and bottom lie just outside.

#include <QPoint>
#include <QRect>

namespace gdi {

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
    constexpr bool IsEmpty() const { return right <= left || bottom <= top; }
    constexpr bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    constexpr Rect Translated(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    constexpr Rect Inflated(int dx, int dy) const { return {left - dx, top - dy, right + dx, bottom + dy}; }
    constexpr bool operator==(const Rect&) const = default;

    QRect ToQRect() const { return QRect(left, top, right - left, bottom - top); }
    static Rect FromQRect(const QRect& r) { return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }
};

// The common part of two rectangles; empty rectangles come back as all zeroes.
constexpr Rect Intersect(const Rect& a, const Rect& b)
{
    Rect r{a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
           a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom};
    return r.IsEmpty() ? Rect{} : r;
}

// a * b / c in 64 bits, rounded to the nearest integer with halves away from zero, as the
// platform's MulDiv rounds; -1 for a zero divisor, as it answers.
constexpr int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const long long product = static_cast<long long>(a) * b;
    const long long divisor = c;
    const bool negative = (product < 0) != (divisor < 0);
    const long long top = product < 0 ? -product : product;
    const long long bottom = divisor < 0 ? -divisor : divisor;
    const long long quotient = (top + bottom / 2) / bottom;
    return int(negative ? -quotient : quotient);
}

}  // namespace gdi
