#!/usr/bin/env python3
"""Draws the stock button glyphs (BBOK ... BBALL) as 18 x 18 bitmaps.

Run once from this folder; the bitmaps are committed. The bottom-left pixel of every
glyph is the olive background, which buttons leave out when they draw the glyph.
"""
import math
import struct

SIZE = 18
OLIVE = (128, 128, 0)
GREEN = (0, 128, 0)
LIME = (0, 192, 0)
RED = (192, 0, 0)
DARK_RED = (128, 0, 0)
NAVY = (0, 0, 128)
BLUE = (0, 0, 255)
WHITE = (255, 255, 255)
BLACK = (0, 0, 0)
GRAY = (128, 128, 128)
SILVER = (192, 192, 192)
BROWN = (128, 64, 0)
YELLOW = (255, 255, 0)


class Canvas:
    def __init__(self):
        self.pixels = [[OLIVE] * SIZE for _ in range(SIZE)]

    def dot(self, x, y, colour):
        if 0 <= x < SIZE and 0 <= y < SIZE:
            self.pixels[y][x] = colour

    def fill(self, inside, colour):
        """Colours every pixel whose centre satisfies inside(x, y)."""
        for y in range(SIZE):
            for x in range(SIZE):
                if inside(x + 0.5, y + 0.5):
                    self.dot(x, y, colour)

    def line(self, points, width, colour):
        """A polyline of the given stroke width."""
        def near(px, py):
            for (ax, ay), (bx, by) in zip(points, points[1:]):
                dx, dy = bx - ax, by - ay
                t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
                if math.hypot(px - ax - t * dx, py - ay - t * dy) <= width / 2:
                    return True
            return False
        self.fill(near, colour)

    def disc(self, cx, cy, r, colour):
        self.fill(lambda x, y: math.hypot(x - cx, y - cy) <= r, colour)

    def ring(self, cx, cy, r, width, colour, skip=None):
        def on(x, y):
            d = math.hypot(x - cx, y - cy)
            if abs(d - r) > width / 2:
                return False
            angle = math.degrees(math.atan2(cy - y, x - cx)) % 360
            return not (skip and skip[0] <= angle <= skip[1])
        self.fill(on, colour)

    def rect(self, left, top, right, bottom, colour):
        self.fill(lambda x, y: left <= x < right and top <= y < bottom, colour)

    def save(self, name):
        row_bytes = SIZE * 3
        padding = (4 - row_bytes % 4) % 4
        image = b''
        for row in reversed(self.pixels):
            image += b''.join(struct.pack('BBB', b, g, r) for (r, g, b) in row) + b'\0' * padding
        header = struct.pack('<2sIHHI', b'BM', 54 + len(image), 0, 0, 54)
        info = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE, 1, 24, 0, len(image), 2835, 2835, 0, 0)
        with open(name + '.bmp', 'wb') as f:
            f.write(header + info + image)


def check(c, colour, dx=0.0):
    c.line([(3.5 + dx, 9.5), (7 + dx, 13.5), (14.5 + dx, 4)], 2.6, colour)


def glyphs():
    c = Canvas()
    check(c, GREEN)
    yield 'BBOK', c

    c = Canvas()
    c.line([(4, 4), (14, 14)], 2.8, RED)
    c.line([(14, 4), (4, 14)], 2.8, RED)
    yield 'BBCANCEL', c

    c = Canvas()
    c.ring(9, 6.5, 3.5, 2.2, NAVY, skip=(200, 300))
    c.line([(10.5, 9.5), (9, 11.5)], 2.2, NAVY)
    c.disc(9, 15, 1.3, NAVY)
    yield 'BBHELP', c

    c = Canvas()
    check(c, LIME)
    c.line([(3.5, 9.5), (7, 13.5), (14.5, 4)], 1.0, GREEN)
    yield 'BBYES', c

    c = Canvas()
    c.ring(9, 9, 6, 2.4, RED)
    c.line([(5, 13), (13, 5)], 2.4, RED)
    yield 'BBNO', c

    c = Canvas()
    c.rect(4, 2, 14, 17, GRAY)         # door frame
    c.rect(5, 3, 13, 17, BLACK)        # the opening
    c.fill(lambda x, y: 5 <= x < 10 and 3 + (x - 5) * 0.4 <= y < 17 - (x - 5) * 0.2, BROWN)  # door swung in
    c.dot(8, 10, YELLOW)               # handle
    yield 'BBCLOSE', c

    c = Canvas()
    c.disc(9, 9, 7.5, RED)
    c.line([(5.5, 5.5), (12.5, 12.5)], 2.2, WHITE)
    c.line([(12.5, 5.5), (5.5, 12.5)], 2.2, WHITE)
    yield 'BBABORT', c

    c = Canvas()
    c.ring(9, 10, 5.5, 2.2, GREEN, skip=(20, 95))
    # arrow head at the top end of the ring, pointing on round it
    c.fill(lambda x, y: x >= 8 and (x - 8) + abs(y - 4.5) * 1.2 <= 4.5, GREEN)
    yield 'BBRETRY', c

    c = Canvas()
    c.rect(3, 14, 15, 16, GRAY)                       # what is stepped over
    c.line([(3, 12), (6, 5), (11, 5), (14, 11)], 2.0, NAVY)  # the jump
    c.fill(lambda x, y: abs(x - 14.5) + abs(y - 11.5) <= 2.5 and y >= 10, NAVY)
    yield 'BBIGNORE', c

    c = Canvas()
    check(c, GREEN, dx=-1.5)
    c.line([(8, 13.5), (15.5, 4)], 2.0, LIME)
    yield 'BBALL', c


if __name__ == '__main__':
    for name, canvas in glyphs():
        assert canvas.pixels[SIZE - 1][0] == OLIVE, name
        canvas.save(name)
