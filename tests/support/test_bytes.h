// Bytes for tests: an independent CRC-32 (zlib's), seeded random bytes, the bytes of a text.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "files/utf8_path.h"

namespace vesperine::testing {

// zlib's crc32, the oracle every CRC-32 of ours is checked against. Test inputs stay far below
// 4 GiB, so the length fits zlib's uInt.
[[nodiscard]] inline std::uint32_t ZlibCrc(std::span<const std::uint8_t> bytes) {
    return static_cast<std::uint32_t>(::crc32(0, bytes.data(), static_cast<uInt>(bytes.size())));
}

// The same as eight upper-case hex digits, as the programs print it.
[[nodiscard]] inline std::string ZlibCrcText(std::span<const std::uint8_t> bytes) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(ZlibCrc(bytes)));
    return text;
}

// size bytes from the Mersenne twister seeded with seed: the same bytes on every run.
[[nodiscard]] inline std::vector<std::uint8_t> RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> bytes(size);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    return bytes;
}

// The bytes of a text, for DATs and files made in a test.
[[nodiscard]] inline std::vector<std::uint8_t> BytesOf(std::string_view text) { return {text.begin(), text.end()}; }

// The bytes of the file at path, or nothing when it cannot be opened.
[[nodiscard]] inline std::optional<std::vector<std::uint8_t>> FileBytes(const std::string& path) {
    std::ifstream in(PathFromUtf8(path), std::ios::binary);
    if (!in) return std::nullopt;
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

}  // namespace vesperine::testing
