// Scorpa's pure pieces: the sense tables, status decoding, pixel scaling,
// bitmaps, text rendering and the serial port of the IC contact.
#include "BmpFiles.h"
#include "Bitmap.h"
#include "SenseCode.h"
#include "TextRender.h"
#include "VeltoPrn.h"
#include "platform/Error.h"
#include "platform/SerialPort.h"

#include <gtest/gtest.h>

#include "graphics/ScorpaGraphics.h"

#include <array>
#include <climits>
#include <cstdlib>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/resource.h>
#include <termios.h>
#include <tuple>
#include <unistd.h>

// fontconfig keeps a few blocks of its configuration parse unreachable for
// the life of the process; the sanitizer build is told that is not ours.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

using namespace scorpa;

TEST(SenseCodes, TheTableAnswersWithMessageAndGrade)
{
    std::int32_t grade = -1;
    EXPECT_EQ(GetSenseCodeMsg(0x3A00, grade), "호퍼에 카드가 준비되지 않았습니다");
    EXPECT_EQ(grade, ERR_MN);
    EXPECT_EQ(GetSenseCodeMsg(0x0000, grade), "정상상태");
    EXPECT_EQ(grade, ERR_NONE);
    EXPECT_EQ(GetSenseCodeMsg(0x3600), GetSenseCodeMsg(0x3601));
    EXPECT_EQ(GetSenseCodeMsg(0xF0E0), GetSenseCodeMsg(0xF0F0));
    EXPECT_EQ(GetSenseCodeMsg(0x80B7), "히트롤러 장치가 준비중입니다.  잠시만 기다리십시오");
    EXPECT_EQ(GetSenseCodeMsg(0xA081, grade), "IEEE Protocol Error (Irregular Sequense)");
    EXPECT_EQ(grade, ERR_CR);
    grade = 42;
    EXPECT_EQ(GetSenseCodeMsg(0x80BC, grade), "");
    EXPECT_EQ(grade, 42) << "an unknown code leaves the grade alone";
    EXPECT_EQ(GetSenseCodeMsg(0x13A00), "") << "codes compare as whole numbers";
}

TEST(StatusPage, TheFirstMatchingBitWins)
{
    std::array<std::uint8_t, 32> page {};
    TVeltoStatusInfo info;
    info.InterfaceStatus = gsError;
    page[0] = 0x31;
    DecodeStatusPage(page, info);
    EXPECT_EQ(info.InterfaceStatus, gsReady);
    EXPECT_EQ(info.MerchineStatus, gsReady);
    page[0] = 0x00;
    info.InterfaceStatus = gsError;
    DecodeStatusPage(page, info);
    EXPECT_EQ(info.InterfaceStatus, gsError) << "no interface bit keeps the last value";
    EXPECT_EQ(info.MerchineStatus, gsBusy);

    page = {0x00, 0x00, 0x08, 0x18, 0x80, 0x44, 0x10, 0x30};
    DecodeStatusPage(page, info);
    EXPECT_EQ(info.CardPosition, cpNone);
    EXPECT_EQ(info.PrintingStatus, psNone);
    EXPECT_EQ(info.EncodingStatus, esJIS_2);
    EXPECT_EQ(info.MemoryModeA, msNone);
    EXPECT_EQ(info.MemoryModeb, msDataFull);
    EXPECT_EQ(info.RecvDataStatusA, dsNone);
    EXPECT_EQ(info.RecvDataStatusB, dsEncode);
    page[1] = 0x80;
    page[2] = 0x50;
    DecodeStatusPage(page, info);
    EXPECT_EQ(info.CardPosition, cpReject);
    EXPECT_EQ(info.PrintingStatus, psBlack);
}

TEST(MulDivision, RoundsToTheNearestWithHalvesAwayFromZero)
{
    EXPECT_EQ(MulDiv(96, 300, 96), 300);
    EXPECT_EQ(MulDiv(10, 300, 96), 31);
    EXPECT_EQ(MulDiv(20, 300, 96), 63);
    EXPECT_EQ(MulDiv(-20, 300, 96), -63);
    EXPECT_EQ(MulDiv(-5, 300, 96), -16);
    EXPECT_EQ(MulDiv(12, 96, 72), 16);
    EXPECT_EQ(MulDiv(5, 0, 96), 0);
    EXPECT_EQ(MulDiv(5, 7, 0), -1);
    EXPECT_EQ(MulDiv(2000000000, 2000000000, 2000000000), 2000000000) << "the product is 64-bit";
}

class BitmapFiles : public ::testing::Test {
protected:
    // The image module's two entry points, from the module as the program
    // directory holds it (left loaded, as the library leaves it: the
    // toolkits it pulled in cannot be taken out of a running process).
    static void LoadImageModule(ScorpaGfx_LoadBitmapFn& load, ScorpaGfx_FreeFn& release)
    {
        void* module = dlopen(TAVRIN_PROGRAM_DIR "/libscorpa-graphics.so", RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module, nullptr) << dlerror();
        load = reinterpret_cast<ScorpaGfx_LoadBitmapFn>(dlsym(module, "ScorpaGfx_LoadBitmap"));
        release = reinterpret_cast<ScorpaGfx_FreeFn>(dlsym(module, "ScorpaGfx_Free"));
        ASSERT_TRUE(load && release);
    }

    void SetUp() override
    {
        dir = std::filesystem::temp_directory_path() / ("scorpa-bmp-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string File(const std::string& name, const std::vector<std::uint8_t>& bytes)
    {
        const std::string path = (dir / name).string();
        bmpfiles::Write(path, bytes);
        return path;
    }
    std::filesystem::path dir;
};

namespace {

using bmpfiles::Rgb;
const std::vector<std::vector<Rgb>> kFour = {{{255, 0, 0}, {0, 255, 0}, {0, 0, 255}}, {{255, 255, 255}, {0, 0, 0}, {90, 90, 90}}};

std::string Pixels(const TBitmap& b)
{
    std::string s;
    for (int y = 0; y < b.Height(); ++y) {
        const auto line = b.ScanLine(y);
        s.append(reinterpret_cast<const char*>(line.data()), line.size());
    }
    return s;
}

} // namespace

TEST_F(BitmapFiles, EveryDepthAndRowOrderReadsTheSamePixels)
{
    const std::string bgr = std::string("\x00\x00\xFF\x00\xFF\x00\xFF\x00\x00" "\xFF\xFF\xFF\x00\x00\x00\x5A\x5A\x5A", 18);
    for (const int bits : {8, 24, 32}) {
        for (const bool topDown : {false, true}) {
            const TBitmap b = TBitmap::LoadFromFile(File("c.bmp", bmpfiles::Make(kFour, bits, topDown)));
            EXPECT_EQ(b.Width(), 3);
            EXPECT_EQ(b.Height(), 2);
            EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf24bit);
            EXPECT_EQ(Pixels(b), bgr) << bits << " bits, top-down " << topDown;
        }
    }
}

TEST_F(BitmapFiles, OneBitFilesKeepBlackAndWhiteWhateverThePalette)
{
    for (const bool inverted : {false, true}) {
        TBitmap b = TBitmap::LoadFromFile(File("m.bmp", bmpfiles::Make(kFour, 1, false, inverted)));
        b.SetPixelFormat(TPixelFormat::pf1bit);
        EXPECT_FALSE(b.Bit(0, 0));
        EXPECT_TRUE(b.Bit(0, 1));
        EXPECT_FALSE(b.Bit(2, 1));
    }
}

TEST_F(BitmapFiles, WhatIsNotABitmapIsRefused)
{
    EXPECT_THROW(TBitmap::LoadFromFile((dir / "missing.bmp").string()), platform::Error);
    EXPECT_THROW(TBitmap::LoadFromFile(File("empty.bmp", {})), platform::Error);
    auto cut = bmpfiles::Make(kFour, 24);
    cut.resize(40);
    EXPECT_THROW(TBitmap::LoadFromFile(File("cut.bmp", cut)), platform::Error);
    // A PNG named .bmp is not read as one.
    const std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 0x0D, 'I', 'H', 'D', 'R'};
    EXPECT_THROW(TBitmap::LoadFromFile(File("png.bmp", png)), platform::Error);
}

namespace {

using bmpfiles::Crafted;
using bmpfiles::Fields;

// Files a few dozen bytes long whose headers claim far more than they hold.
struct Liar {
    const char* what;
    std::vector<std::uint8_t> bytes;
};

std::vector<Liar> Liars()
{
    const std::vector<std::uint8_t> twoRows(16, 0x80);  // a 2 x 2 24-bit image
    const Fields rle {.width = 8000, .height = 8000, .bits = 8, .compression = 1};
    return {
        {"20000 x 20000 at 24 bits in 70 bytes", Crafted({.width = 20000, .height = 20000}, twoRows)},
        {"8000 x 8000 RLE8 in 56 bytes", Crafted(rle, {0x00, 0x01})},
        {"a header of 1.1 GB", Crafted({.infoSize = 0x44000000, .width = 2, .height = 2}, twoRows)},
        {"92 million colours at 8 bits",
         Crafted({.width = 2, .height = 2, .bits = 8, .colorsUsed = 92000000}, {0, 0, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0})},
        {"92 million colours at 24 bits", Crafted({.width = 2, .height = 2, .colorsUsed = 92000000}, twoRows)},
        {"3000 x 3000 with two rows of data", Crafted({.width = 3000, .height = 3000}, twoRows)},
        {"a width of 2^31 - 1", Crafted({.width = INT32_MAX, .height = 2}, twoRows)},
        {"RLE data longer than the file",
         Crafted({.width = 4, .height = 2, .bits = 8, .compression = 1, .imageSize = 100000, .colorsUsed = 1}, {0, 0, 0, 0, 0x00, 0x01})},
    };
}

} // namespace

TEST_F(BitmapFiles, HeadersClaimingMoreThanTheFileOrACardHoldsAreRefused)
{
    for (const Liar& liar : Liars()) {
        std::string why;
        EXPECT_FALSE(CheckBitmapHeader(liar.bytes, &why)) << liar.what;
        EXPECT_FALSE(why.empty()) << liar.what;
        EXPECT_THROW(TBitmap::LoadFromFile(File("liar.bmp", liar.bytes)), platform::Error) << liar.what;
    }

    // Fields no bitmap can have.
    const Fields f {.width = 2, .height = 2};
    // Each with bytes enough for all else it declares (16 for a 2 x 2 image at 24 bits).
    for (const auto& [what, odd, rest] : std::vector<std::tuple<const char*, Fields, std::size_t>> {
             {"7 bits per pixel", {.width = 2, .height = 2, .bits = 7}, 16},
             {"JPEG inside", {.width = 2, .height = 2, .compression = 4}, 16},
             {"RLE8 at 24 bits", {.width = 2, .height = 2, .compression = 1}, 16},
             {"the most negative height", {.width = 2, .height = INT32_MIN}, 16},
             {"no rows", {.width = 2, .height = 0}, 16},
             {"negative width", {.width = -2, .height = 2}, 16},
             {"pixel data past the end", {.width = 2, .height = 2, .offset = 5000}, 16},
             {"an unknown header size", {.infoSize = 41, .width = 2, .height = 2}, 16},
             {"more colours than 8 bits index", {.width = 2, .height = 2, .bits = 8, .colorsUsed = 257, .offset = 54 + 257 * 4}, 257 * 4 + 8},
             {"a full 256-colour table that is not there", {.width = 2, .height = 2, .bits = 8}, 16},
         }) {
        const auto bytes = Crafted(odd, std::vector<std::uint8_t>(rest, 0));
        EXPECT_FALSE(CheckBitmapHeader(bytes)) << what;
        EXPECT_THROW(TBitmap::LoadFromFile(File("odd.bmp", bytes)), platform::Error) << what;
    }
    EXPECT_TRUE(CheckBitmapHeader(Crafted(f, std::vector<std::uint8_t>(16, 0)))) << "the fields they start from are sound";
}

TEST_F(BitmapFiles, TheLargestBitmapIs4096PixelsEachWayForTheHeaderCheckAndTheModule)
{
    for (const auto& [w, h, ok] : std::vector<std::tuple<int, int, bool>> {{4096, 1, true}, {4097, 1, false}, {1, 4096, true}, {1, 4097, false}}) {
        const Fields f {.width = w, .height = -h};  // top-down as well
        const std::size_t stride = (static_cast<std::size_t>(w) * 3 + 3) / 4 * 4;
        const auto bytes = Crafted(f, std::vector<std::uint8_t>(stride * static_cast<std::size_t>(h), 0x40));
        EXPECT_EQ(CheckBitmapHeader(bytes).has_value(), ok) << w << " x " << h;
        if (ok) {
            const TBitmap b = TBitmap::LoadFromFile(File("edge.bmp", bytes));
            EXPECT_EQ(b.Width(), w);
            EXPECT_EQ(b.Height(), h);
        } else {
            EXPECT_THROW(TBitmap::LoadFromFile(File("edge.bmp", bytes)), platform::Error);
        }
    }
    // Behind the header check the image module itself stops the toolkit
    // once it knows the size, before the pixels are allocated.
    ScorpaGfx_LoadBitmapFn load = nullptr;
    ScorpaGfx_FreeFn release = nullptr;
    ASSERT_NO_FATAL_FAILURE(LoadImageModule(load, release));
    for (const auto& [w, h, ok] : std::vector<std::tuple<int, int, bool>> {{4097, 8, false}, {8, 5000, false}, {4096, 8, true}}) {
        const Fields f {.width = w, .height = h, .bits = 8, .compression = 1, .colorsUsed = 1};
        const auto bytes = Crafted(f, {0, 0, 0, 0, 0x00, 0x01});  // all blank, then the end of the bitmap
        ScorpaGfxImage image {};
        EXPECT_EQ(load(bytes.data(), bytes.size(), &image) == 0, ok) << "module, " << w << " x " << h << ": " << image.error;
        if (ok) {
            EXPECT_EQ(image.width, w);
            EXPECT_EQ(image.height, h);
        }
        release(&image);
    }
}

TEST_F(BitmapFiles, SoundHeadersAreReadAsTheyAre)
{
    const auto plain = CheckBitmapHeader(bmpfiles::Make(kFour, 8, true));
    ASSERT_TRUE(plain);
    EXPECT_EQ(std::make_tuple(plain->Width, plain->Height, plain->TopDown, plain->BitCount, plain->Colors, plain->DataOffset),
              std::make_tuple(3, 2, true, 8, 6u, 14u + 40u + 6u * 4u));

    // RLE8, bottom row first: four greens; then three reds and a blue.
    Fields rle {.width = 4, .height = 2, .bits = 8, .compression = 1, .colorsUsed = 3};
    const std::vector<std::uint8_t> palette = {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0};
    std::vector<std::uint8_t> rest = palette;
    const std::vector<std::uint8_t> data = {4, 1, 0, 0, 3, 0, 1, 2, 0, 0, 0, 1};
    rest.insert(rest.end(), data.begin(), data.end());
    rle.imageSize = static_cast<std::uint32_t>(data.size());
    rle.offset = 14 + 40 + static_cast<std::int64_t>(palette.size());
    const TBitmap r = TBitmap::LoadFromFile(File("rle.bmp", Crafted(rle, rest)));
    ASSERT_EQ(r.Width(), 4);
    ASSERT_EQ(r.Height(), 2);
    EXPECT_EQ(Pixels(r), std::string("\x00\x00\xFF\x00\x00\xFF\x00\x00\xFF\xFF\x00\x00"
                                     "\x00\xFF\x00\x00\xFF\x00\x00\xFF\x00\x00\xFF\x00", 24));

    // The OS/2 header of 12 bytes, 24 bits, rows padded to four bytes.
    const Fields core {.infoSize = 12, .width = 2, .height = 2};
    const TBitmap c = TBitmap::LoadFromFile(File("core.bmp", Crafted(core, {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0})));
    EXPECT_EQ(Pixels(c), std::string("\x07\x08\x09\x0A\x0B\x0C\x01\x02\x03\x04\x05\x06", 12));
}

namespace {

// A file of random pixels (and, up to 8 bits, a full colour table of
// random colours) with the given header size, depth and row order.
std::vector<std::uint8_t> RandomFile(std::mt19937& rng, std::uint32_t infoSize, int w, int h, int bits, bool topDown,
                                     const std::vector<Rgb>& table = {})
{
    auto byte = [&] { return static_cast<std::uint8_t>(rng() & 0xFF); };
    std::vector<std::uint8_t> rest;
    const std::size_t entry = infoSize == 12 ? 3 : 4;
    if (bits <= 8) {
        for (int i = 0; i < (1 << bits); ++i) {
            const Rgb c = i < static_cast<int>(table.size()) ? table[static_cast<std::size_t>(i)] : Rgb {byte(), byte(), byte()};
            rest.insert(rest.end(), {c.b, c.g, c.r});
            if (entry == 4) rest.push_back(byte());
        }
    }
    const std::size_t tableBytes = rest.size();
    const std::size_t stride = (static_cast<std::size_t>(w) * static_cast<std::size_t>(bits) + 31) / 32 * 4;
    for (std::size_t i = 0; i < stride * static_cast<std::size_t>(h); ++i) rest.push_back(byte());
    return Crafted({.infoSize = infoSize, .width = w, .height = topDown ? -h : h, .bits = static_cast<std::uint16_t>(bits),
                    .offset = 14 + infoSize + static_cast<std::int64_t>(tableBytes)},
                   rest);
}

std::string Rows24(const TBitmap& b)
{
    TBitmap c = b;
    c.SetPixelFormat(TPixelFormat::pf24bit);
    return Pixels(c);
}

} // namespace

TEST_F(BitmapFiles, UncompressedFilesReadWithoutTheModuleGiveTheModulesPixels)
{
    ScorpaGfx_LoadBitmapFn load = nullptr;
    ScorpaGfx_FreeFn release = nullptr;
    ASSERT_NO_FATAL_FAILURE(LoadImageModule(load, release));

    std::mt19937 rng(20240611);
    const std::vector<Rgb> blackWhite = {{0, 0, 0}, {255, 255, 255}};
    const std::vector<Rgb> whiteBlack = {{255, 255, 255}, {0, 0, 0}};
    int compared = 0;
    for (const std::uint32_t infoSize : {12u, 40u, 56u, 108u, 124u}) {
        for (const int bits : {1, 4, 8, 24, 32}) {
            if (infoSize == 12 && bits == 32) continue;  // not a depth OS/2 1.x has
            for (const bool topDown : {false, true}) {
                if (infoSize == 12 && topDown) continue;  // its height has no sign
                for (const auto& [w, h] : std::vector<std::pair<int, int>> {{1, 1}, {3, 2}, {5, 3}, {8, 2}, {13, 4}, {33, 3}}) {
                    std::vector<std::vector<Rgb>> tables = {{}};
                    if (bits == 1) tables = {{}, blackWhite, whiteBlack};
                    for (const auto& table : tables) {
                        const auto bytes = RandomFile(rng, infoSize, w, h, bits, topDown, table);
                        const auto header = CheckBitmapHeader(bytes);
                        ASSERT_TRUE(header);
                        const std::string what = std::to_string(infoSize) + "-byte header, " + std::to_string(bits) +
                                                 " bits, " + std::to_string(w) + " x " + std::to_string(h) +
                                                 (topDown ? " top-down" : "") + ", table " + std::to_string(table.size());
                        ASSERT_TRUE(TBitmap::DecodesDirectly(bytes, *header)) << what;

                        ScorpaGfxImage image {};
                        ASSERT_EQ(load(bytes.data(), bytes.size(), &image), 0) << what << ": " << image.error;
                        const std::string expected(reinterpret_cast<const char*>(image.bgr),
                                                   static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3);
                        release(&image);

                        const TBitmap direct = TBitmap::DecodeDirect(TBytes(bytes.begin(), bytes.end()), *header, false);
                        EXPECT_EQ(direct.PixelFormat(), TPixelFormat::pf24bit) << what;
                        EXPECT_EQ(Pixels(direct), expected) << what;
                        const TBitmap fromFile = TBitmap::LoadFromFile(File("d.bmp", bytes));
                        EXPECT_EQ(fromFile.Width(), w);
                        EXPECT_EQ(fromFile.Height(), h);
                        EXPECT_EQ(Rows24(fromFile), expected) << what;
                        // A black-and-white file stays 1-bit when read from a file.
                        if (!table.empty()) {
                            EXPECT_EQ(fromFile.PixelFormat(), TPixelFormat::pf1bit) << what;
                        }
                        ++compared;
                    }
                }
            }
        }
    }
    EXPECT_EQ(compared, 372);
}

TEST_F(BitmapFiles, OnlyTheLayoutsReadHereSkipTheModule)
{
    std::mt19937 rng(7);
    auto direct = [](const std::vector<std::uint8_t>& bytes) {
        const auto header = CheckBitmapHeader(bytes);
        return header && TBitmap::DecodesDirectly(bytes, *header);
    };
    EXPECT_TRUE(direct(RandomFile(rng, 40, 4, 4, 8, false)));
    // A colour table with fewer entries than the bits can index, pixel data
    // that does not start where the table ends, 16 bits and compression:
    // the module's reading counts.
    EXPECT_FALSE(direct(bmpfiles::Make(kFour, 8)));
    auto gap = RandomFile(rng, 40, 4, 4, 8, false);
    gap[10] = static_cast<std::uint8_t>(gap[10] + 4);  // the data offset, 4 bytes on
    gap.insert(gap.begin() + 14 + 40 + 256 * 4, 4, 0);
    ASSERT_TRUE(CheckBitmapHeader(gap));
    EXPECT_FALSE(direct(gap));
    EXPECT_FALSE(direct(RandomFile(rng, 40, 4, 4, 16, false)));
    const Fields rle {.width = 4, .height = 2, .bits = 8, .compression = 1, .colorsUsed = 1};
    EXPECT_FALSE(direct(Crafted(rle, {0, 0, 0, 0, 0x00, 0x01})));
}

namespace {

// Loads every lying file in a process of its own and ends it with 0 when
// its peak memory grew by less than 100 MB.
[[noreturn]] void LoadLiarsAndMeasure(const std::filesystem::path& dir)
{
    rusage before {};
    getrusage(RUSAGE_SELF, &before);
    int refused = 0;
    for (const Liar& liar : Liars()) {
        const std::string path = (dir / "m.bmp").string();
        bmpfiles::Write(path, liar.bytes);
        try {
            TBitmap::LoadFromFile(path);
        } catch (const platform::Error&) {
            ++refused;
        }
    }
    rusage after {};
    getrusage(RUSAGE_SELF, &after);
    const long grownKb = after.ru_maxrss - before.ru_maxrss;
    ::_exit(refused == static_cast<int>(Liars().size()) ? (grownKb < 100 * 1024 ? 0 : 2) : 1);
}

} // namespace

TEST_F(BitmapFiles, RefusingALiarCostsNoMemory)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(LoadLiarsAndMeasure(dir), ::testing::ExitedWithCode(0), "");
}

TEST(Bitmaps, MonoConversionTakesTheNearerOfBlackAndWhite)
{
    TBitmap b(4, 1, TPixelFormat::pf24bit);
    b.SetPixel24(0, 0, 127, 128, 127);  // 382: nearer black
    b.SetPixel24(1, 0, 128, 128, 127);  // 383: nearer white
    b.SetPixel24(2, 0, 255, 255, 0);
    b.SetPixel24(3, 0, 0, 0, 255);
    b.SetPixelFormat(TPixelFormat::pf1bit);
    EXPECT_EQ(b.ScanLine(0)[0] & 0xF0, 0x60);
    b.SetPixelFormat(TPixelFormat::pf24bit);
    EXPECT_EQ(Pixels(b), std::string("\x00\x00\x00\xFF\xFF\xFF\xFF\xFF\xFF\x00\x00\x00", 12));
}

TEST(Bitmaps, Rotate180TurnsRowsAndPixels)
{
    TBitmap b(3, 2, TPixelFormat::pf24bit);
    int v = 0;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x, ++v) b.SetPixel24(x, y, static_cast<std::uint8_t>(v), 0, 0);
    Rotate180(b);
    std::string reds;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) reds += static_cast<char>('0' + b.ScanLine(y)[x * 3 + 2]);
    EXPECT_EQ(reds, "543210");

    TBitmap mono(2, 1, TPixelFormat::pf1bit);
    mono.SetBit(0, 0, false);
    Rotate180(mono);
    EXPECT_EQ(mono.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(Pixels(mono), std::string("\xFF\xFF\xFF\x00\x00\x00", 6));
}

namespace {

TFontSpec Font(int style = 0, std::uint32_t color = 0, int size = 12)
{
    TFontSpec f;
    f.Name = "DejaVu Sans";
    f.Size = size;
    f.Color = color;
    f.Style = style;
    f.PixelsPerInch = 96;
    return f;
}

int DarkPixels(const TBitmap& b, int fromRow = 0)
{
    int n = 0;
    for (int y = fromRow; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) {
            const auto* p = b.ScanLine(y).data() + x * 3;
            n += p[0] + p[1] + p[2] < 383;
        }
    return n;
}

} // namespace

TEST(TextRendering, TheBitmapIsTheTextsExtent)
{
    const TBitmap plain = RenderText("Card 42", Font());
    EXPECT_GT(plain.Width(), 40);
    EXPECT_GE(plain.Height(), FontPixelHeight(Font()));
    EXPECT_EQ(FontPixelHeight(Font()), 16);
    EXPECT_GT(DarkPixels(plain), 50);
    const TBitmap twice = RenderText("Card 42Card 42", Font());
    EXPECT_NEAR(twice.Width(), 2 * plain.Width(), 2);
    EXPECT_EQ(twice.Height(), plain.Height());
    const TBitmap big = RenderText("Card 42", Font(0, 0, 24));
    EXPECT_GT(big.Height(), plain.Height() * 3 / 2);
    const TBitmap empty = RenderText("", Font());
    EXPECT_EQ(empty.Width(), 0);
}

TEST(TextRendering, StyleBitsShowInThePixels)
{
    const TBitmap plain = RenderText("Card 42", Font());
    const TBitmap bold = RenderText("Card 42", Font(fsBold));
    EXPECT_GT(bold.Width(), plain.Width());
    EXPECT_GT(DarkPixels(bold), DarkPixels(plain));
    const TBitmap under = RenderText("Card 42", Font(fsUnderline));
    EXPECT_GT(DarkPixels(under, under.Height() * 3 / 4), DarkPixels(plain, plain.Height() * 3 / 4));
    const TBitmap strike = RenderText("Card 42", Font(fsStrikeOut));
    EXPECT_GT(DarkPixels(strike), DarkPixels(plain));
    const TBitmap italic = RenderText("Card 42", Font(fsItalic));
    EXPECT_NE(Pixels(italic), Pixels(plain));
}

TEST(TextRendering, ColourIsAWindowsRgbValue)
{
    const TBitmap red = RenderText("MMM", Font(0, 0x0000FF));
    bool sawRed = false;
    for (int y = 0; y < red.Height(); ++y)
        for (int x = 0; x < red.Width(); ++x) {
            const auto* p = red.ScanLine(y).data() + x * 3;  // blue, green, red
            if (p[2] > 200 && p[1] < 60 && p[0] < 60) sawRed = true;
            EXPECT_FALSE(p[0] > 200 && p[1] < 60 && p[2] < 60) << "no blue pixel";
        }
    EXPECT_TRUE(sawRed);
    // Black is drawn without grey edges: every pixel is black or white.
    const TBitmap black = RenderText("MMM", Font());
    for (int y = 0; y < black.Height(); ++y)
        for (int x = 0; x < black.Width(); ++x) {
            const std::uint8_t v = black.ScanLine(y)[x * 3];
            EXPECT_TRUE(v == 0 || v == 255) << int(v);
        }
}

TEST(TextRendering, AlignmentMovesTheLeftEdge)
{
    EXPECT_EQ(AlignLeft(500, 101, 0), 500);
    EXPECT_EQ(AlignLeft(500, 101, 1), 399);
    EXPECT_EQ(AlignLeft(500, 101, 2), 450);
    EXPECT_EQ(AlignLeft(500, 101, 3), 500);
}

TEST(TextRendering, TextThatIsNotUtf8StillDraws)
{
    const TBitmap b = RenderText("Caf\xE9", Font());
    EXPECT_GT(b.Width(), 20);
}

TEST(SerialPorts, ComNamesMapToTtySDevices)
{
    ::unsetenv("TAVRIN_COM_DIR");
    EXPECT_EQ(platform::SerialDevicePath("COM1"), "/dev/ttyS0");
    EXPECT_EQ(platform::SerialDevicePath("com12"), "/dev/ttyS11");
    EXPECT_EQ(platform::SerialDevicePath("/dev/ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(platform::SerialDevicePath("COM0"), std::nullopt);
    EXPECT_EQ(platform::SerialDevicePath("COM"), std::nullopt);
    EXPECT_EQ(platform::SerialDevicePath("COM1x"), std::nullopt);
    ::setenv("TAVRIN_COM_DIR", "/tmp/ports/", 1);  // with a closing slash
    EXPECT_EQ(platform::SerialDevicePath("COM2"), "/tmp/ports/ttyS1");
    ::unsetenv("TAVRIN_COM_DIR");
}

TEST(SerialPorts, AnOpenPortHasTheLineSettings)
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const std::string slave = ::ptsname(master);

    platform::SerialPort port;
    platform::SerialSettings s;
    s.Dtr = true;
    std::string why;
    ASSERT_TRUE(port.Open(slave, s, &why)) << why;
    EXPECT_TRUE(port.IsOpen());
    const int probe = ::open(slave.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(probe, 0) << "root passes the exclusive flag";
    termios tio {};
    ASSERT_EQ(::tcgetattr(probe, &tio), 0);
    EXPECT_EQ(::cfgetospeed(&tio), static_cast<speed_t>(B9600));
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_NE(tio.c_cflag & CLOCAL, 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), 0u);
    EXPECT_EQ(tio.c_cc[VMIN], 0);
    EXPECT_EQ(tio.c_cc[VTIME], 0);
    ::close(probe);
    port.Close();
    EXPECT_FALSE(port.IsOpen());
    ::close(master);

    EXPECT_FALSE(port.Open("/dev/null", s, &why)) << "not a terminal";
    EXPECT_FALSE(port.IsOpen());
}
