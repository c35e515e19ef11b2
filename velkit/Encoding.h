#pragma once
// The encoding station's driver blocks, built in one place.
#include <array>
#include <cstdint>
#include <optional>

namespace velkit {

constexpr int kEscapeEncodeRequest = 16027;
constexpr int kEscapeMagneticWrite = 16034;
constexpr int kEscapeArbitraryMagneticWrite = 11014;
// Every escape of the driver's series also has an older number 1000 lower.
constexpr int kOlderEscapeOffset = 1000;

constexpr std::size_t kMagneticWriteBlockSize = 520;
constexpr std::size_t kMagneticDataCapacity = 511;
constexpr std::size_t kArbitraryBlockSize = 266;
constexpr std::size_t kArbitraryDataCapacity = 255;

// The 520-byte block of the magnetic write: size, track, data length (the
// string's length for -1), the string with its NUL. nullopt when the data
// or the length does not fit the block.
std::optional<std::array<std::uint8_t, kMagneticWriteBlockSize>> MagneticWriteBlock(std::int32_t track,
                                                                                    std::int32_t length,
                                                                                    const char* data);

// The 266-byte block of the free-form magnetic write: four parameters,
// data length, the data bytes and a NUL. nullopt when they do not fit.
std::optional<std::array<std::uint8_t, kArbitraryBlockSize>> ArbitraryMagneticBlock(const std::int32_t (&params)[4],
                                                                                    std::int32_t length,
                                                                                    const char* data);

} // namespace velkit
