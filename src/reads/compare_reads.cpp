// Several reads compared 64 bits at a time; the words in which they differ looked at bit by bit.
#include "reads/compare_reads.h"

#include <bit>
#include <cstring>
#include <stdexcept>

namespace vesperine::reads {
namespace {

// Bytes 8w .. 8w + 7 as a word whose bit j is bit j % 8 of byte j / 8, so that bit j of word w
// is bit index 64w + j; bytes past the end read as 0 in every read alike.
[[nodiscard]] std::uint64_t LoadWord(const std::uint8_t* bytes, std::size_t count) {
    std::uint64_t word = 0;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&word, bytes, count);
    } else {
        for (std::size_t k = 0; k < count; ++k) word |= std::uint64_t{bytes[k]} << (8 * k);
    }
    return word;
}

void StoreWord(std::uint8_t* bytes, std::size_t count, std::uint64_t word) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(bytes, &word, count);
    } else {
        for (std::size_t k = 0; k < count; ++k) bytes[k] = static_cast<std::uint8_t>(word >> (8 * k));
    }
}

constexpr std::uint64_t kByteLowBits = 0x0101010101010101u;  // bit 0 of every byte
constexpr std::uint64_t kEvenBytes = 0x0001000100010001u;    // bit 0 of every even byte
// The bytes of a word whose offset has bit k set, for k = 0, 1, 2.
constexpr std::uint64_t kOffsetBitMasks[3] = {0xFF00FF00FF00FF00u, 0xFFFF0000FFFF0000u, 0xFFFFFFFF00000000u};

// The look at one word in which the reads differ: counts, spread, the consensus word. The spread
// depends only on which bits differ and is counted a word at a time; the majority too, for two
// and three reads; more reads are counted bit by bit.
class UnstableBitCounter {
public:
    UnstableBitCounter(ReadsComparison& result, std::size_t readCount) : c_(result), reads_(readCount) {}

    // words[r] is read r's word w; diff has the bits on which they disagree. Gives the consensus word.
    [[nodiscard]] std::uint64_t Look(std::uint64_t w, const std::uint64_t* words, std::uint64_t diff) {
        CountSpread(w, diff);
        List(c_.unstable, w, diff);
        if (reads_ == 2) return LookTwo(w, words, diff);
        if (reads_ == 3) return LookThree(words, diff);
        return LookMany(w, words, diff);
    }

private:
    static void List(std::vector<std::uint64_t>& list, std::uint64_t w, std::uint64_t bits) {
        for (; bits != 0 && list.size() < kListedBitsLimit; bits &= bits - 1) {
            list.push_back(64 * w + static_cast<unsigned>(std::countr_zero(bits)));
        }
    }

    void CountSpread(std::uint64_t w, std::uint64_t diff) {
        const auto bits = static_cast<std::uint64_t>(std::popcount(diff));
        if (c_.unstableBits == 0) c_.firstOffset = 8 * w + static_cast<unsigned>(std::countr_zero(diff)) / 8;
        c_.lastOffset = 8 * w + (63 - static_cast<unsigned>(std::countl_zero(diff))) / 8;
        c_.unstableBits += bits;
        // Each byte's bits folded onto its bit 0, then each 16-bit word's bytes onto the even one.
        std::uint64_t any = diff | diff >> 4;
        any |= any >> 2;
        any = (any | any >> 1) & kByteLowBits;
        if (c_.width == 2) any = (any | any >> 8) & kEvenBytes;
        c_.unstableWords += static_cast<std::uint64_t>(std::popcount(any));
        for (unsigned k = 0; k < 8; ++k) {
            const std::uint64_t line = (diff >> k) & kByteLowBits;
            if (c_.width == 1) {
                c_.byDataLine[k] += static_cast<std::uint64_t>(std::popcount(line));
            } else {
                c_.byDataLine[k] += static_cast<std::uint64_t>(std::popcount(line & kEvenBytes));
                c_.byDataLine[k + 8] += static_cast<std::uint64_t>(std::popcount(line & ~kEvenBytes));
            }
        }
        // The word address is (8w + byte) / width: its lowest `inWord` bits vary within the word,
        // the others are bits of w.
        const unsigned inWord = c_.width == 1 ? 3 : 2;
        for (unsigned k = 0; k < c_.addressBits; ++k) {
            c_.addressOnes[k] +=
                k < inWord ? static_cast<std::uint64_t>(std::popcount(diff & kOffsetBitMasks[k + c_.width - 1]))
                : (w >> (k - inWord)) & 1u ? bits
                                           : 0;
        }
    }

    // Two reads: every unstable bit a tie, each read alone against the other.
    [[nodiscard]] std::uint64_t LookTwo(std::uint64_t w, const std::uint64_t* words, std::uint64_t diff) {
        const auto bits = static_cast<std::uint64_t>(std::popcount(diff));
        c_.ties += bits;
        List(c_.tied, w, diff);
        c_.soleDissent[0] += bits;
        c_.soleDissent[1] += bits;
        for (std::uint64_t left = diff; left != 0 && c_.shapes.size() < kListedBitsLimit; left &= left - 1)
            c_.shapes.push_back({kNoLoneRead, BitDirection::Tie});
        return words[0];
    }

    // Three reads: no ties, and on every unstable bit exactly one read alone.
    [[nodiscard]] std::uint64_t LookThree(const std::uint64_t* words, std::uint64_t diff) {
        const std::uint64_t a = words[0], b = words[1], c = words[2];
        const std::uint64_t majority = (a & b) | (a & c) | (b & c);
        c_.oneToZero += static_cast<std::uint64_t>(std::popcount(diff & majority));
        c_.zeroToOne += static_cast<std::uint64_t>(std::popcount(diff & ~majority));
        c_.soleDissent[0] += static_cast<std::uint64_t>(std::popcount((a ^ b) & (a ^ c)));
        c_.soleDissent[1] += static_cast<std::uint64_t>(std::popcount((b ^ a) & (b ^ c)));
        c_.soleDissent[2] += static_cast<std::uint64_t>(std::popcount((c ^ a) & (c ^ b)));
        // Of three reads that differ on a bit, exactly one is alone: read 1 if it differs from both.
        for (std::uint64_t left = diff; left != 0 && c_.shapes.size() < kListedBitsLimit; left &= left - 1) {
            const std::uint64_t bit = left & (~left + 1);
            const std::uint32_t lone = (a ^ b) & (a ^ c) & bit ? 0u : (b ^ a) & (b ^ c) & bit ? 1u : 2u;
            c_.shapes.push_back({lone, majority & bit ? BitDirection::OneToZero : BitDirection::ZeroToOne});
        }
        return majority;
    }

    [[nodiscard]] std::uint64_t LookMany(std::uint64_t w, const std::uint64_t* words, std::uint64_t diff) {
        std::uint64_t consensus = words[0];
        std::uint64_t tied = 0;
        for (; diff != 0; diff &= diff - 1) {
            const auto j = static_cast<unsigned>(std::countr_zero(diff));
            const std::uint64_t bit = std::uint64_t{1} << j;
            std::size_t ones = 0;
            for (std::size_t r = 0; r < reads_; ++r) ones += (words[r] >> j) & 1u;
            UnstableShape shape;
            if (2 * ones == reads_) {
                tied |= bit;
            } else if (2 * ones > reads_) {
                ++c_.oneToZero;
                consensus |= bit;
                shape.direction = BitDirection::OneToZero;
            } else {
                ++c_.zeroToOne;
                consensus &= ~bit;
                shape.direction = BitDirection::ZeroToOne;
            }
            // A read alone in its value: the one 1 among 0s, or the one 0 among 1s.
            for (std::size_t r = 0; r < reads_; ++r) {
                const bool one = (words[r] & bit) != 0;
                if ((one && ones == 1) || (!one && ones == reads_ - 1)) {
                    ++c_.soleDissent[r];
                    if (r < kNoLoneRead) shape.loneRead = static_cast<std::uint32_t>(r);
                }
            }
            if (c_.shapes.size() < kListedBitsLimit) c_.shapes.push_back(shape);
        }
        c_.ties += static_cast<std::uint64_t>(std::popcount(tied));
        List(c_.tied, w, tied);
        return consensus;
    }

    ReadsComparison& c_;
    std::size_t reads_;
};

void CheckReads(std::span<const std::span<const std::uint8_t>> reads, unsigned width) {
    if (reads.size() < 2) throw std::invalid_argument("CompareReads needs two reads or more");
    if (width != 1 && width != 2) throw std::invalid_argument("CompareReads takes words of 1 or 2 bytes");
    for (const auto& read : reads) {
        if (read.size() != reads[0].size()) throw std::invalid_argument("CompareReads needs reads of one length");
    }
}

}  // namespace

ReadsComparison CompareReads(std::span<const std::span<const std::uint8_t>> reads, unsigned width) {
    return *CompareReads(reads, width, nullptr);
}

std::optional<ReadsComparison> CompareReads(std::span<const std::span<const std::uint8_t>> reads, unsigned width,
                                            const WorkPoll& poll) {
    CheckReads(reads, width);
    ReadsComparison result;
    result.length = reads[0].size();
    result.width = width;
    result.readCount = reads.size();
    const std::uint64_t words = (result.length + width - 1) / width;
    result.addressBits = words <= 1 ? 0 : static_cast<unsigned>(std::bit_width(words - 1));
    result.soleDissent.assign(reads.size(), 0);
    result.consensus = ByteBuffer(result.length);

    UnstableBitCounter counter(result, reads.size());
    std::vector<std::uint64_t> loaded(reads.size());
    std::uint8_t* out = result.consensus.data();
    WorkMeter meter(poll, result.length);
    constexpr std::uint64_t kWordsPerTick = kPollBytes / 8;
    for (std::uint64_t w = 0; 8 * w < result.length; ++w) {
        if (w % kWordsPerTick == 0 && w != 0 && meter.Tick(8 * w)) return std::nullopt;
        const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(8, result.length - 8 * w));
        loaded[0] = LoadWord(reads[0].data() + 8 * w, count);
        std::uint64_t diff = 0;
        for (std::size_t r = 1; r < reads.size(); ++r) {
            loaded[r] = LoadWord(reads[r].data() + 8 * w, count);
            diff |= loaded[0] ^ loaded[r];
        }
        StoreWord(out + 8 * w, count, diff == 0 ? loaded[0] : counter.Look(w, loaded.data(), diff));
    }
    return result;
}

}  // namespace vesperine::reads
