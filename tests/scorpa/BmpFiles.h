#pragma once
// Windows bitmap files written byte by byte, for the image tests.
#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace bmpfiles {

struct Rgb {
    std::uint8_t r, g, b;
};

inline void Put16(std::vector<std::uint8_t>& v, std::uint32_t x)
{
    v.push_back(static_cast<std::uint8_t>(x));
    v.push_back(static_cast<std::uint8_t>(x >> 8));
}
inline void Put32(std::vector<std::uint8_t>& v, std::uint32_t x)
{
    Put16(v, x & 0xFFFF);
    Put16(v, x >> 16);
}

// A file whose headers say what a test wants, true or not: the file
// header, the info header (infoSize bytes of it when that is one of the
// real sizes, else just the 40 of a Windows 3 one) and then rest (colour
// table and pixel data) as given.
struct Fields {
    std::uint32_t infoSize = 40;
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::uint16_t bits = 24;
    std::uint32_t compression = 0;
    std::uint32_t imageSize = 0;
    std::uint32_t colorsUsed = 0;
    std::int64_t offset = -1;  // -1: right after the headers
};

inline std::vector<std::uint8_t> Crafted(const Fields& h, const std::vector<std::uint8_t>& rest)
{
    const bool real = h.infoSize == 12 || h.infoSize == 40 || h.infoSize == 52 || h.infoSize == 56 || h.infoSize == 64 ||
                      h.infoSize == 108 || h.infoSize == 124;
    const std::uint32_t written = real ? h.infoSize : 40;
    const std::uint32_t offset = h.offset >= 0 ? static_cast<std::uint32_t>(h.offset) : 14 + written;
    std::vector<std::uint8_t> f {'B', 'M'};
    Put32(f, 14 + written + static_cast<std::uint32_t>(rest.size()));
    Put32(f, 0);
    Put32(f, offset);
    Put32(f, h.infoSize);
    if (h.infoSize == 12) {
        Put16(f, static_cast<std::uint32_t>(h.width));
        Put16(f, static_cast<std::uint32_t>(h.height));
        Put16(f, 1);
        Put16(f, h.bits);
    } else {
        Put32(f, static_cast<std::uint32_t>(h.width));
        Put32(f, static_cast<std::uint32_t>(h.height));
        Put16(f, 1);
        Put16(f, h.bits);
        Put32(f, h.compression);
        Put32(f, h.imageSize);
        Put32(f, 2835);
        Put32(f, 2835);
        Put32(f, h.colorsUsed);
        Put32(f, 0);
        f.resize(14 + written, 0);
    }
    f.insert(f.end(), rest.begin(), rest.end());
    return f;
}

// pixels[y][x], y = 0 the top row. bits: 1, 8, 24 or 32. A palette is
// made for 1 and 8 bits (1 bit: index 0 black, index 1 white, unless
// invertPalette). topDown writes a negative height.
inline std::vector<std::uint8_t> Make(const std::vector<std::vector<Rgb>>& pixels, int bits, bool topDown = false,
                                      bool invertPalette = false)
{
    const int h = static_cast<int>(pixels.size());
    const int w = h ? static_cast<int>(pixels[0].size()) : 0;
    auto same = [](Rgb p, Rgb q) { return p.r == q.r && p.g == q.g && p.b == q.b; };
    std::vector<Rgb> palette;
    if (bits == 1) palette = invertPalette ? std::vector<Rgb>{{255, 255, 255}, {0, 0, 0}} : std::vector<Rgb>{{0, 0, 0}, {255, 255, 255}};
    for (const auto& row : pixels)
        for (const auto& p : row)
            if (bits == 8 && std::none_of(palette.begin(), palette.end(), [&](Rgb q) { return same(p, q); })) palette.push_back(p);
    std::vector<std::uint8_t> rest;
    for (const auto& p : palette) rest.insert(rest.end(), {p.b, p.g, p.r, 0});
    const std::size_t stride = (static_cast<std::size_t>(w) * static_cast<std::size_t>(bits) + 31) / 32 * 4;
    for (int i = 0; i < h; ++i) {
        const auto& row = pixels[static_cast<std::size_t>(topDown ? i : h - 1 - i)];
        std::vector<std::uint8_t> line(stride, 0);
        for (int x = 0; x < w; ++x) {
            const Rgb p = row[static_cast<std::size_t>(x)];
            if (bits == 24 || bits == 32) {
                std::uint8_t* at = &line[static_cast<std::size_t>(x * (bits / 8))];
                at[0] = p.b, at[1] = p.g, at[2] = p.r;
                if (bits == 32) at[3] = 0xFF;
            } else if (bits == 8) {
                line[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(
                    std::find_if(palette.begin(), palette.end(), [&](Rgb q) { return same(p, q); }) - palette.begin());
            } else if ((p.r + p.g + p.b > 382) != invertPalette) {
                line[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
            }
        }
        rest.insert(rest.end(), line.begin(), line.end());
    }
    return Crafted({.width = w, .height = topDown ? -h : h, .bits = static_cast<std::uint16_t>(bits),
                    .colorsUsed = static_cast<std::uint32_t>(palette.size()),
                    .offset = 14 + 40 + static_cast<std::int64_t>(palette.size()) * 4},
                   rest);
}

inline void Write(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

} // namespace bmpfiles
