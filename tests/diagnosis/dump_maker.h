// Real-looking ROM images for the diagnosis tests, and the faults a reader or chip puts in them.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "support/test_bytes.h"

namespace vesperine::diagnosis::testing {

using Image = std::vector<std::uint8_t>;

inline Image RandomImage(std::size_t length, std::uint64_t seed = 1) {
    Image bytes(length);
    std::mt19937_64 random(seed);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    return bytes;
}

// Seven-bit text: words and line breaks.
inline Image TextImage(std::size_t length, std::uint64_t seed = 2) {
    static const char* const kWords[] = {"READY",    "error ",    "Press F1 to continue", "\r\n", "BIOS ",
                                         "ver 1.2 ", "(c) 1991 ", "memory test ",         "OK ",  "Keyboard",
                                         "\t",       "disk 0: "};
    Image bytes;
    std::mt19937_64 random(seed);
    while (bytes.size() < length) {
        const std::string word = kWords[random() % std::size(kWords)];
        bytes.insert(bytes.end(), word.begin(), word.end());
    }
    bytes.resize(length);
    return bytes;
}

// Code-like bytes: a few opcodes again and again with operands of any value, and tables.
inline Image CodeImage(std::size_t length, std::uint64_t seed = 3) {
    static const std::uint8_t kOpcodes[] = {0x4E, 0x75, 0x20, 0x3C, 0x60, 0x00, 0xB0, 0x66, 0x41, 0xF9, 0xE8, 0xC3};
    Image bytes;
    std::mt19937_64 random(seed);
    while (bytes.size() < length) {
        const int ops = 1 + static_cast<int>(random() % 3);
        for (int k = 0; k < ops; ++k) bytes.push_back(kOpcodes[random() % std::size(kOpcodes)]);
        for (int k = 0; k < static_cast<int>(random() % 4); ++k) bytes.push_back(static_cast<std::uint8_t>(random()));
    }
    bytes.resize(length);
    return bytes;
}

// A real ROM image of this machine, when the package that holds it is installed.
inline std::optional<Image> SystemRom(const std::string& name) {
    return vesperine::testing::FileBytes("/usr/share/seabios/" + name);
}

// Data line `line` held at level in every byte.
inline Image StickDataLine(Image bytes, unsigned line, bool level) {
    for (auto& b : bytes) b = static_cast<std::uint8_t>(level ? b | (1u << line) : b & ~(1u << line));
    return bytes;
}

// Address line k tied low: every offset reads the byte at the offset with bit k cleared.
inline Image TieAddressLine(const Image& bytes, unsigned k) {
    Image out(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) out[i] = bytes[i & ~(std::size_t{1} << k)];
    return out;
}

// Every byte of one lane (0: offsets 0, 2 ...; 1: offsets 1, 3 ...) from first to end set to value.
inline Image BlankLane(Image bytes, std::size_t lane, std::uint8_t value, std::size_t first = 0) {
    for (std::size_t i = first + lane; i < bytes.size(); i += 2) bytes[i] = value;
    return bytes;
}

inline Image Repeat(const Image& image, int copies) {
    Image out;
    for (int k = 0; k < copies; ++k) out.insert(out.end(), image.begin(), image.end());
    return out;
}

inline Image FlipBit(Image bytes, std::size_t offset, unsigned bit) {
    bytes[offset] = static_cast<std::uint8_t>(bytes[offset] ^ (1u << bit));
    return bytes;
}

}  // namespace vesperine::diagnosis::testing
