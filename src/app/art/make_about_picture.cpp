// Draws the About window's picture, a dusk landscape, and encodes it as a baseline JFIF JPEG.
//
//   cmake --build build --target make_about_picture
//   build/src/app/make_about_picture src/app/art/about.jpg src/app/Unit3.form
//
// Writes the JPEG, then puts it into the form description's Image1.Picture.Data block (the
// class name "TJPEGImage", the byte count, the stream), replacing what stands there. The drawing
// uses no randomness but a fixed sequence, so every run gives the same picture; both results
// are committed.
//
// The three names hidden over the picture decide its light: "Korvane" (lime, top middle) on
// the dark upper sky, "Pellin" (navy, left) and "Harro" (red-brown, right) on the light band
// above the hills.

// libjpeg's header names FILE without including its declaration.
#include <cstdio>
#include <jpeglib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 300;
constexpr int kHeight = 200;
// The JPEG closest in size to this is kept: the size the window's description was laid out with.
constexpr std::size_t kTargetBytes = 13042;
constexpr int kLowestQuality = 40;
constexpr int kHighestQuality = 95;

struct Colour {
    double r, g, b;
};

Colour Mix(Colour a, Colour b, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Colour Scale(Colour c, double f) { return {c.r * f, c.g * f, c.b * f}; }
Colour Add(Colour a, Colour b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }

// A fixed pseudo-random sequence (a linear congruential generator), the same on every machine.
class Sequence {
public:
    explicit Sequence(std::uint32_t seed) : FState(seed) {}
    double Next()
    {
        FState = FState * 1664525u + 1013904223u;
        return double(FState >> 8) / double(1u << 24);
    }

private:
    std::uint32_t FState;
};

struct Stop {
    double y;
    Colour colour;
};

// Deep blue at the top through violet to a pale warm band where the hidden names sit: light
// enough from row 97 down that the red-brown "Harro" and the navy "Pellin" stand out from it.
constexpr std::array<Stop, 6> kSky = {{
    {0, {14, 20, 58}},
    {40, {38, 42, 104}},
    {66, {118, 80, 138}},
    {84, {224, 150, 146}},
    {97, {255, 230, 200}},
    {150, {255, 236, 190}},
}};

constexpr double kSunX = 212;
constexpr double kSunY = 147;
constexpr double kSunRadius = 19;
constexpr double kShoreY = 171;

Colour SkyAt(double y)
{
    if (y <= kSky.front().y)
        return kSky.front().colour;
    for (std::size_t i = 1; i < kSky.size(); ++i)
        if (y <= kSky[i].y)
            return Mix(kSky[i - 1].colour, kSky[i].colour, (y - kSky[i - 1].y) / (kSky[i].y - kSky[i - 1].y));
    return kSky.back().colour;
}

double FarRidge(double x) { return 141 + 6 * std::sin(0.029 * x + 1.1) + 4 * std::sin(0.083 * x + 2.3) + 2 * std::sin(0.21 * x + 0.5); }
double NearHills(double x) { return 159 + 5 * std::sin(0.019 * x + 0.4) + 3 * std::sin(0.055 * x + 1.9) + 1.5 * std::sin(0.17 * x); }

struct Star {
    double x, y, brightness;
};

std::vector<Star> MakeStars()
{
    Sequence random(20240611u);
    std::vector<Star> stars;
    while (stars.size() < 80) {
        const double x = random.Next() * kWidth;
        const double y = random.Next() * random.Next() * 90;  // thicker towards the top
        const double brightness = 0.35 + 0.65 * random.Next();
        stars.push_back({x, y, brightness});
    }
    return stars;
}

// The sky with its sun glow, stars and a shooting star: everything above the hills.
Colour Sky(double x, double y, const std::vector<Star>& stars)
{
    Colour c = SkyAt(y);
    const double sunDistance = std::hypot(x - kSunX, y - kSunY);
    c = Add(c, Scale(Colour{255, 200, 140}, 0.55 * std::exp(-sunDistance / 34)));
    if (sunDistance <= kSunRadius)
        c = Mix(Colour{255, 246, 218}, c, std::max(0.0, (sunDistance - (kSunRadius - 1.5)) / 1.5));

    // Stars fade out where the sky grows light.
    const double darkness = std::clamp((95 - y) / 60, 0.0, 1.0);
    for (const Star& s : stars) {
        const double d = std::hypot(x - s.x, y - s.y);
        if (d < 1.6)
            c = Mix(c, Colour{255, 250, 232}, s.brightness * darkness * (1.6 - d) / 1.6);
    }

    // A shooting star sweeping down to the right, its tail fading behind it.
    const double ax = 52, ay = 18, bx = 148, by = 50;
    const double dx = bx - ax, dy = by - ay;
    const double t = ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy);
    if (t > 0 && t < 1) {
        const double off = std::abs((x - ax) * dy - (y - ay) * dx) / std::hypot(dx, dy);
        const double width = 0.5 + 1.1 * t;
        if (off < width + 1)
            c = Mix(c, Colour{255, 255, 236}, t * t * std::clamp(width + 1 - off, 0.0, 1.0));
    }
    const double head = std::hypot(x - bx, y - by);
    if (head < 3)
        c = Mix(c, Colour{255, 255, 240}, (3 - head) / 3);
    return c;
}

// The landscape above the shore: sky, the hazy far ridge, the dark near hills.
Colour Land(double x, double y, const std::vector<Star>& stars)
{
    const double near = NearHills(x);
    if (y >= near)
        return Mix(Colour{74, 48, 86}, Colour{40, 28, 56}, (y - near) / (kShoreY - near));
    const double ridge = FarRidge(x);
    if (y >= ridge) {
        const Colour haze = Mix(Colour{176, 112, 138}, Colour{118, 74, 114}, (y - ridge) / 18);
        // The ridge's crest catches the sun's light.
        const double glow = 0.35 * std::exp(-std::hypot(x - kSunX, y - kSunY) / 40);
        return Mix(haze, Colour{255, 206, 150}, glow);
    }
    return Sky(x, y, stars);
}

// The lake mirrors the land, darker, with ripples, and a path of light under the sun.
Colour Lake(double x, double y, const std::vector<Star>& stars)
{
    const double depth = y - kShoreY;
    const double ripple = 1.6 * std::sin(0.9 * y + 0.05 * x) + 0.8 * std::sin(0.23 * x - 0.6 * y);
    const double mirrorY = 2 * kShoreY - y - 1;
    Colour c = Land(x + ripple, mirrorY, stars);
    c = Mix(Scale(c, 0.72), Colour{26, 36, 78}, 0.25 + depth / 90);
    const double path = std::exp(-std::pow((x - kSunX) / (6 + depth * 0.9), 2));
    const double sparkle = 0.5 + 0.5 * std::sin(2.7 * y + 0.31 * x);
    return Mix(c, Colour{255, 226, 170}, 0.55 * path * sparkle);
}

std::vector<unsigned char> DrawPicture()
{
    const std::vector<Star> stars = MakeStars();
    Sequence grain(7u);
    std::vector<unsigned char> rgb;
    rgb.reserve(std::size_t(kWidth) * kHeight * 3);
    for (int py = 0; py < kHeight; ++py) {
        for (int px = 0; px < kWidth; ++px) {
            // Four samples per pixel smooth the edges of the hills, the sun and the stars.
            Colour sum{0, 0, 0};
            for (const auto& [ox, oy] : std::array<std::pair<double, double>, 4>{{{0.25, 0.25}, {0.75, 0.25}, {0.25, 0.75}, {0.75, 0.75}}}) {
                const double x = px + ox;
                const double y = py + oy;
                sum = Add(sum, y < kShoreY ? Land(x, y, stars) : Lake(x, y, stars));
            }
            // A faint grain keeps the gradients from banding.
            const double noise = (grain.Next() - 0.5) * 5;
            for (const double channel : {sum.r, sum.g, sum.b})
                rgb.push_back(static_cast<unsigned char>(std::clamp(std::lround(channel / 4 + noise), 0L, 255L)));
        }
    }
    return rgb;
}

std::vector<unsigned char> Encode(const std::vector<unsigned char>& rgb, int quality)
{
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = kWidth;
    info.image_height = kHeight;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);  // baseline, JFIF header, 2 x 2 chroma sampling, standard tables
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<unsigned char*>(rgb.data() + std::size_t(info.next_scanline) * kWidth * 3);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    std::vector<unsigned char> jpeg(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return jpeg;
}

// The graphic as the form description stores it: class name with its length byte, the
// stream's byte count (32 bits, little-endian), the stream.
std::vector<unsigned char> PictureData(const std::vector<unsigned char>& jpeg)
{
    const std::string className = "TJPEGImage";
    std::vector<unsigned char> data;
    data.push_back(static_cast<unsigned char>(className.size()));
    data.insert(data.end(), className.begin(), className.end());
    for (int shift = 0; shift < 32; shift += 8)
        data.push_back(static_cast<unsigned char>((jpeg.size() >> shift) & 0xFF));
    data.insert(data.end(), jpeg.begin(), jpeg.end());
    return data;
}

// Replaces the hexadecimal lines of "Picture.Data = { ... }" in the form description.
bool SpliceIntoForm(const std::string& formPath, const std::vector<unsigned char>& data)
{
    std::ifstream in(formPath, std::ios::binary);
    if (!in)
        return false;
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string key = "Picture.Data = {";
    const std::size_t at = text.find(key);
    if (at == std::string::npos)
        return false;
    const std::size_t open = at + key.size();
    const std::size_t close = text.find('}', open);
    const std::size_t lineStart = text.rfind('\n', at) + 1;
    if (close == std::string::npos)
        return false;
    const std::string indent = text.substr(lineStart, at - lineStart) + "  ";
    constexpr std::size_t kBytesPerLine = 32;
    std::ostringstream hex;
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (i % kBytesPerLine == 0)
            hex << '\n' << indent;
        static constexpr char kDigits[] = "0123456789ABCDEF";
        hex << kDigits[data[i] >> 4] << kDigits[data[i] & 0xF];
    }
    const std::string result = text.substr(0, open) + hex.str() + "}" + text.substr(close + 1);
    std::ofstream out(formPath, std::ios::binary | std::ios::trunc);
    out << result;
    return bool(out);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::cerr << "usage: make_about_picture PICTURE.jpg [FORM]\n";
        return 2;
    }
    const std::vector<unsigned char> rgb = DrawPicture();
    std::vector<unsigned char> best;
    int bestQuality = 0;
    for (int quality = kLowestQuality; quality <= kHighestQuality; ++quality) {
        std::vector<unsigned char> jpeg = Encode(rgb, quality);
        const auto distance = [](std::size_t size) { return size > kTargetBytes ? size - kTargetBytes : kTargetBytes - size; };
        if (best.empty() || distance(jpeg.size()) < distance(best.size())) {
            best = std::move(jpeg);
            bestQuality = quality;
        }
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(best.data()), std::streamsize(best.size()));
    if (!out) {
        std::cerr << "make_about_picture: cannot write " << argv[1] << "\n";
        return 1;
    }
    std::cout << argv[1] << ": " << best.size() << " bytes at quality " << bestQuality << "\n";
    if (argc == 3 && !SpliceIntoForm(argv[2], PictureData(best))) {
        std::cerr << "make_about_picture: no Picture.Data block to replace in " << argv[2] << "\n";
        return 1;
    }
    return 0;
}
