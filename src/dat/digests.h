// Size, CRC-32, MD5, SHA-1 and SHA-256 of bytes in one pass over them.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "dat/rom_entry.h"

namespace vesperine::dat {

struct Digests {
    std::uint64_t size = 0;
    std::uint32_t crc32 = 0;
    Md5 md5{};
    Sha1 sha1{};
    Sha256 sha256{};

    bool operator==(const Digests&) const = default;
};

// How the digests share the machine's cores: one thread for all four, or MD5 (which has no
// instructions of its own in the processor and so is the slowest) on a second thread while
// the first does CRC-32, SHA-1 and SHA-256.
enum class DigestThreads { One, Two, Auto };

// Which of MD5, SHA-1 and SHA-256 to compute (CRC-32 and the size always are); the others are
// left zero. Confirming a DAT entry needs only the digests the entry gives.
enum DigestKind : unsigned { kMd5 = 1, kSha1 = 2, kSha256 = 4, kAllDigests = 7 };

// The bytes are fed in chunks of chunkSize to each digest in turn, so that a chunk is read
// from memory once and then from the cache. Auto takes two threads for inputs of 4 MiB and more
// when the machine has two cores or more and MD5 is wanted.
inline constexpr std::size_t kDigestChunk = std::size_t{128} << 10;
[[nodiscard]] Digests ComputeDigests(std::span<const std::uint8_t> bytes, DigestThreads threads = DigestThreads::Auto,
                                     std::size_t chunkSize = kDigestChunk, unsigned kinds = kAllDigests);

}  // namespace vesperine::dat
