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
// the first does CRC-32, SHA-1 and SHA-256 over the same bytes. Auto takes two threads when
// the machine has two cores or more and the bytes reach kTwoThreadsFrom.
enum class DigestThreads { One, Two, Auto };
inline constexpr std::uint64_t kTwoThreadsFrom = std::uint64_t{4} << 20;

// Which of MD5, SHA-1 and SHA-256 to compute (CRC-32 and the size always are); the others are
// left zero. Confirming a DAT entry needs only the digests the entry gives.
enum DigestKind : unsigned { kMd5 = 1, kSha1 = 2, kSha256 = 4, kAllDigests = 7 };

// Each thread feeds its digests chunk by chunk, so that a chunk is read from memory once and
// then from the cache (the chunk size matters little between 16 KiB and 1 MiB, measured).
inline constexpr std::size_t kDigestChunk = std::size_t{128} << 10;

// Digests of bytes that arrive in pieces (a file read in a small buffer); a piece need only live
// during its Update. With two threads, Update copies each piece into a ring of buffers for the
// MD5 thread and goes on at once with the other digests: the threads meet only when the ring
// is full, so neither waits for the other to be scheduled on a busy machine. Auto takes the
// second thread once kTwoThreadsFrom bytes came.
class DigestStream {
public:
    explicit DigestStream(DigestThreads threads = DigestThreads::Auto, std::size_t chunkSize = kDigestChunk,
                          unsigned kinds = kAllDigests);
    ~DigestStream();
    DigestStream(const DigestStream&) = delete;
    DigestStream& operator=(const DigestStream&) = delete;

    void Update(std::span<const std::uint8_t> piece);
    // The digests of everything given; the stream takes nothing more afterwards.
    [[nodiscard]] Digests Finish();

private:
    struct State;
    std::unique_ptr<State> state_;
};

// All of bytes at once. With two threads, the MD5 thread reads the bytes where they are, and the
// threads meet once, at the end.
[[nodiscard]] Digests ComputeDigests(std::span<const std::uint8_t> bytes, DigestThreads threads = DigestThreads::Auto,
                                     std::size_t chunkSize = kDigestChunk, unsigned kinds = kAllDigests);

}  // namespace vesperine::dat
