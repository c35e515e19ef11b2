// Scorpa's image and text exports, host side: a full-card colour image
// (1012 x 638, 24-bit BMP) and a full-card black-and-white one (1-bit BMP)
// through SCSITransColorImage and SCSITransMonoImage to an ASPI layer that
// completes every request inside the call (InstantAspi.c, found beside
// this program), against a floor measured in the same run: reading and
// decoding the same file with gdk-pixbuf alone, and one memcpy of its pixel
// data. Then SCSIRFText, its first call and later ones.
//
//     tavrin-image-bench [--runs N] [--scorpa PATH/libscorpa.so]
//
// Each round runs the export and the floor one after the other, in turns
// the one first and then the other; the figures are medians over the
// rounds with their quartiles and extremes. The first call of each kind is
// reported apart (it pays for loading and for fresh memory).
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <functional>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

using ImageFn = std::uint8_t (*)(std::int32_t, std::int32_t, const char*);
using OpenFn = std::uint8_t (*)();
using TextFn = std::uint8_t (*)(const char*, std::int32_t, std::int32_t, const char*, std::int32_t, std::int32_t,
                                std::int32_t, std::uint8_t, std::int32_t);

constexpr int kWidth = 1012;
constexpr int kHeight = 638;

double Now()
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void Put16(std::vector<std::uint8_t>& v, std::uint32_t x)
{
    v.push_back(static_cast<std::uint8_t>(x));
    v.push_back(static_cast<std::uint8_t>(x >> 8));
}

void Put32(std::vector<std::uint8_t>& v, std::uint32_t x)
{
    Put16(v, x & 0xFFFF);
    Put16(v, x >> 16);
}

// A bottom-up Windows bitmap file, 24 or 1 bits per pixel (1 bit: index 0
// black, index 1 white), pixel (x, y) from pixel(x, y, rgb).
std::vector<std::uint8_t> Bmp(int bits, const std::function<void(int, int, std::uint8_t*)>& pixel)
{
    const std::uint32_t stride = (static_cast<std::uint32_t>(kWidth) * static_cast<std::uint32_t>(bits) + 31) / 32 * 4;
    const std::uint32_t table = bits == 1 ? 8 : 0;
    const std::uint32_t offset = 14 + 40 + table;
    std::vector<std::uint8_t> f {'B', 'M'};
    Put32(f, offset + stride * kHeight);
    Put32(f, 0);
    Put32(f, offset);
    Put32(f, 40);
    Put32(f, kWidth);
    Put32(f, kHeight);
    Put16(f, 1);
    Put16(f, static_cast<std::uint32_t>(bits));
    Put32(f, 0);
    Put32(f, stride * kHeight);
    Put32(f, 11811);
    Put32(f, 11811);
    Put32(f, bits == 1 ? 2 : 0);
    Put32(f, 0);
    if (bits == 1) f.insert(f.end(), {0, 0, 0, 0, 255, 255, 255, 0});
    for (int row = 0; row < kHeight; ++row) {
        const int y = kHeight - 1 - row;
        std::vector<std::uint8_t> line(stride, 0);
        for (int x = 0; x < kWidth; ++x) {
            std::uint8_t rgb[3];
            pixel(x, y, rgb);
            if (bits == 24) {
                line[static_cast<std::size_t>(x) * 3] = rgb[2];
                line[static_cast<std::size_t>(x) * 3 + 1] = rgb[1];
                line[static_cast<std::size_t>(x) * 3 + 2] = rgb[0];
            } else if (rgb[0] + rgb[1] + rgb[2] > 382) {
                line[static_cast<std::size_t>(x) / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
            }
        }
        f.insert(f.end(), line.begin(), line.end());
    }
    return f;
}

void Write(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(2);
    }
}

struct Series {
    explicit Series(std::string n) : name(std::move(n)) {}
    std::string name;
    double first = 0;
    std::vector<double> runs;

    double Quantile(double q) const
    {
        std::vector<double> v = runs;
        std::sort(v.begin(), v.end());
        const double at = q * static_cast<double>(v.size() - 1);
        const auto lo = static_cast<std::size_t>(at);
        const std::size_t hi = std::min(lo + 1, v.size() - 1);
        return v[lo] + (v[hi] - v[lo]) * (at - static_cast<double>(lo));
    }
    void Print() const
    {
        std::printf("%-44s %8.3f   %8.3f - %-8.3f  %8.3f - %-8.3f  %9.3f\n", name.c_str(), Quantile(0.5), Quantile(0.25),
                    Quantile(0.75), Quantile(0), Quantile(1), first);
    }
};

template <typename F>
double Time(F&& f)
{
    const double t0 = Now();
    f();
    return Now() - t0;
}

[[noreturn]] void Fail(const char* what)
{
    std::fprintf(stderr, "%s\n", what);
    std::exit(1);
}

void DecodeWithGdkPixbuf(const std::string& path)
{
    GError* error = nullptr;
    GdkPixbuf* pixbuf = gdk_pixbuf_new_from_file(path.c_str(), &error);
    if (!pixbuf) Fail(error ? error->message : "gdk-pixbuf cannot read the file");
    g_object_unref(pixbuf);
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 200;
    std::string scorpa = TAVRIN_PROGRAM_DIR "/libscorpa.so";
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--runs") && i + 1 < argc) runs = std::max(3, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--scorpa") && i + 1 < argc) scorpa = argv[++i];
        else {
            std::fprintf(stderr, "usage: %s [--runs N] [--scorpa PATH/libscorpa.so]\n", argv[0]);
            return 2;
        }
    }

    char dirTemplate[] = "/tmp/tavrin-image-bench-XXXXXX";
    const char* dir = ::mkdtemp(dirTemplate);
    if (!dir) Fail("cannot make a temporary directory");
    const std::string colourFile = std::string(dir) + "/card-colour.bmp";
    const std::string monoFile = std::string(dir) + "/card-mono.bmp";
    // A photo-like card: smooth gradients with fine noise on top.
    std::uint32_t seed = 12345;
    auto noise = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 16) & 15);
    };
    Write(colourFile, Bmp(24, [&](int x, int y, std::uint8_t* rgb) {
              rgb[0] = static_cast<std::uint8_t>((x * 255) / kWidth ^ noise());
              rgb[1] = static_cast<std::uint8_t>((y * 255) / kHeight ^ noise());
              rgb[2] = static_cast<std::uint8_t>(((x + y) * 127) / (kWidth + kHeight) + noise());
          }));
    // Text-like black and white: bars and a checker.
    Write(monoFile, Bmp(1, [&](int x, int y, std::uint8_t* rgb) {
              const bool black = ((x / 7) % 3 == 0) != ((y / 11) % 2 == 0);
              rgb[0] = rgb[1] = rgb[2] = black ? 0 : 255;
          }));

    void* library = dlopen(scorpa.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) Fail(dlerror());
    auto open = reinterpret_cast<OpenFn>(dlsym(library, "SCSIOpen"));
    auto colour = reinterpret_cast<ImageFn>(dlsym(library, "SCSITransColorImage"));
    auto mono = reinterpret_cast<ImageFn>(dlsym(library, "SCSITransMonoImage"));
    auto text = reinterpret_cast<TextFn>(dlsym(library, "SCSIRFText"));
    if (!open || !colour || !mono || !text) Fail("libscorpa.so lacks an export");
    // The layer Scorpa loaded: this program's neighbour, by its bare name.
    void* layer = dlopen("libwnaspi32.so", RTLD_NOW | RTLD_NOLOAD);
    auto* printed = layer ? static_cast<std::uint64_t*>(dlsym(layer, "InstantAspiBytesPrinted")) : nullptr;
    if (!printed) Fail("Scorpa did not load the bench's ASPI layer (libwnaspi32.so beside this program)");
    if (!open()) Fail("SCSIOpen found no printer");

    auto send = [&](ImageFn fn, const std::string& file, std::uint64_t bytes) {
        const std::uint64_t before = *printed;
        if (!fn(0, 0, file.c_str())) Fail("an image export failed");
        if (*printed - before < bytes) Fail("an image export sent less than the image");
    };
    const std::uint64_t colourBytes = std::uint64_t(kWidth) * kHeight * 3;
    const std::uint64_t monoBytes = std::uint64_t(kWidth) * kHeight;
    const std::size_t colourPixels = static_cast<std::size_t>(kWidth) * 3 * kHeight;  // rows of 3036 bytes, no padding
    const std::size_t monoPixels = static_cast<std::size_t>((kWidth + 31) / 32 * 4) * kHeight;
    std::vector<std::uint8_t> from(colourPixels, 1), to(colourPixels, 2);

    Series c {"colour: SCSITransColorImage"}, cf {"colour floor: gdk-pixbuf read + decode"},
        cm {"colour floor: memcpy of the pixel data"}, m {"mono: SCSITransMonoImage"},
        mf {"mono floor: gdk-pixbuf read + decode"}, mm {"mono floor: memcpy of the pixel data"};
    c.first = Time([&] { send(colour, colourFile, colourBytes); });
    cf.first = Time([&] { DecodeWithGdkPixbuf(colourFile); });
    cm.first = Time([&] { std::memcpy(to.data(), from.data(), colourPixels); });
    m.first = Time([&] { send(mono, monoFile, monoBytes); });
    mf.first = Time([&] { DecodeWithGdkPixbuf(monoFile); });
    mm.first = Time([&] { std::memcpy(to.data(), from.data(), monoPixels); });
    for (int i = 0; i < runs; ++i) {
        auto exports = [&] {
            c.runs.push_back(Time([&] { send(colour, colourFile, colourBytes); }));
            m.runs.push_back(Time([&] { send(mono, monoFile, monoBytes); }));
        };
        auto floors = [&] {
            cf.runs.push_back(Time([&] { DecodeWithGdkPixbuf(colourFile); }));
            cm.runs.push_back(Time([&] { std::memcpy(to.data(), from.data(), colourPixels); }));
            mf.runs.push_back(Time([&] { DecodeWithGdkPixbuf(monoFile); }));
            mm.runs.push_back(Time([&] { std::memcpy(to.data(), from.data(), monoPixels); }));
        };
        if (i % 2 == 0) {
            exports();
            floors();
        } else {
            floors();
            exports();
        }
    }

    // Text: the first call sets up the fonts (and loads the graphics
    // module); later calls reuse them.
    Series t {"text: SCSIRFText, black, 12 pt"}, tc {"text: SCSIRFText, colour, bold, 12 pt"};
    auto say = [&](std::uint32_t color, int style, int top) {
        const std::uint64_t before = *printed;
        if (!text("ID 0042 Jane Doe", 40, top, "DejaVu Sans", 12, static_cast<std::int32_t>(color), style, 0, 0))
            Fail("SCSIRFText failed");
        // A line of 12 pt text is at least 100 x 10 dots.
        if (*printed - before < (color ? 3000u : 1000u)) Fail("SCSIRFText sent less than a line of text");
    };
    t.first = Time([&] { say(0, 0, 500); });
    tc.first = Time([&] { say(0x0000C0, 8, 540); });
    for (int i = 0; i < runs; ++i) {
        t.runs.push_back(Time([&] { say(0, 0, 500); }));
        tc.runs.push_back(Time([&] { say(0x0000C0, 8, 540); }));
    }

    char host[256] = "?";
    ::gethostname(host, sizeof host - 1);
    std::printf("Scorpa image and text exports, host side (transport answers at once); %d rounds, alternating; "
                "%ld CPUs online on %s\n",
                runs, ::sysconf(_SC_NPROCESSORS_ONLN), host);
    std::printf("%-44s %8s   %-19s  %-19s  %9s\n", "ms per call", "median", "quartiles", "min - max", "first");
    for (const Series* s : {&c, &cf, &cm, &m, &mf, &mm, &t, &tc}) s->Print();
    std::printf("colour export / gdk-pixbuf floor: %.2f; mono export / gdk-pixbuf floor: %.2f\n",
                c.Quantile(0.5) / cf.Quantile(0.5), m.Quantile(0.5) / mf.Quantile(0.5));
    std::printf("text font set-up (first black call - median later call): %.1f ms\n", t.first - t.Quantile(0.5));

    ::unlink(colourFile.c_str());
    ::unlink(monoFile.c_str());
    ::rmdir(dir);
    return 0;
}
