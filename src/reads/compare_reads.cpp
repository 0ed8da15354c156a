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

// The bit-by-bit look at one word in which the reads differ: counts, spread, the consensus word.
class UnstableBitCounter {
public:
    UnstableBitCounter(ReadsComparison& result, std::size_t readCount) : result_(result), reads_(readCount) {}

    // words[r] is read r's word w; diff has the bits on which they disagree. Gives the consensus word.
    [[nodiscard]] std::uint64_t Look(std::uint64_t w, const std::uint64_t* words, std::uint64_t diff) {
        std::uint64_t consensus = words[0];
        for (; diff != 0; diff &= diff - 1) {
            const auto j = static_cast<unsigned>(std::countr_zero(diff));
            std::size_t ones = 0;
            for (std::size_t r = 0; r < reads_; ++r) ones += (words[r] >> j) & 1u;
            const std::uint64_t index = 64 * w + j;
            Count(index, ones);
            CountDissent(words, j, ones);
            if (2 * ones > reads_) consensus |= std::uint64_t{1} << j;
            if (2 * ones < reads_) consensus &= ~(std::uint64_t{1} << j);
        }
        return consensus;
    }

private:
    void Count(std::uint64_t index, std::size_t ones) {
        ReadsComparison& c = result_;
        const std::uint64_t offset = OffsetOf(index);
        if (c.unstableBits == 0) c.firstOffset = offset;
        c.lastOffset = offset;
        if (c.unstableBits++ < kListedBitsLimit) c.unstable.push_back(index);
        if (2 * ones == reads_) {
            if (c.ties++ < kListedBitsLimit) c.tied.push_back(index);
        } else if (2 * ones > reads_) {
            ++c.oneToZero;
        } else {
            ++c.zeroToOne;
        }
        const std::uint64_t word = offset / c.width;
        if (word != lastWord_) {
            ++c.unstableWords;
            lastWord_ = word;
        }
        ++c.byDataLine[(c.width == 2 ? (offset & 1u) * 8 : 0) + BitOf(index)];
        for (unsigned k = 0; k < c.addressBits; ++k) c.addressOnes[k] += (word >> k) & 1u;
    }

    // A read alone in its value: the one 1 among 0s, or the one 0 among 1s.
    void CountDissent(const std::uint64_t* words, unsigned j, std::size_t ones) {
        for (std::size_t r = 0; r < reads_; ++r) {
            const bool one = ((words[r] >> j) & 1u) != 0;
            if ((one && ones == 1) || (!one && ones == reads_ - 1)) ++result_.soleDissent[r];
        }
    }

    ReadsComparison& result_;
    std::size_t reads_;
    std::uint64_t lastWord_ = ~std::uint64_t{0};
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
    for (std::uint64_t w = 0; 8 * w < result.length; ++w) {
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
