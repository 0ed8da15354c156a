// Bytes read where they lie: a whole dump, or one byte lane of it taken every other byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vesperine {

// Byte i of the view is bytes[first + i × stride]: stride 1 is the bytes themselves, stride 2
// from first 0 or 1 one lane of an interleaved pair. Sequential scans read it a block at a time
// through Read, which hands back the bytes in place when they lie side by side and otherwise
// gathers them into the caller's scratch, Block() bytes at most; comparisons (Same) read it in
// place. A lane of a large dump is so checked with no copy of more than one block.
class StridedBytes {
public:
    using Scratch = std::vector<std::uint8_t>;

    // A lane's gathered block: small enough to stay in the cache between its gather and its scan,
    // and to cost little when a scan stops at its first byte, as most tries of an address line
    // do; large enough that a call per block costs nothing beside the bytes.
    static constexpr std::size_t kLaneBlock = std::size_t{64} << 10;

    StridedBytes(std::span<const std::uint8_t> bytes)  // NOLINT(google-explicit-constructor)
        : data_(bytes.data()), size_(bytes.size()) {}
    // The lane of bytes from first, every stride bytes (stride 1 or more, first below stride).
    StridedBytes(std::span<const std::uint8_t> bytes, std::size_t first, std::size_t stride)
        : data_(bytes.data() + (bytes.size() > first ? first : bytes.size())),
          size_(bytes.size() > first ? (bytes.size() - first + stride - 1) / stride : 0),
          stride_(stride) {}

    [[nodiscard]] std::size_t size() const { return size_; }
    [[nodiscard]] bool empty() const { return size_ == 0; }
    [[nodiscard]] std::uint8_t operator[](std::size_t i) const { return data_[i * stride_]; }

    // The most bytes a Read should ask for: contiguousBlock, the caller's own step, when the
    // bytes are read in place, else kLaneBlock. A larger read from a lane works but copies as much.
    [[nodiscard]] std::size_t Block(std::size_t contiguousBlock) const {
        return stride_ == 1 ? contiguousBlock : kLaneBlock;
    }

    // Whether bytes [a, a + length) and [b, b + length) of the view are equal. Compared where they
    // lie: a lane's bytes are picked out of whole words of the file by a mask, so that a
    // comparison copies nothing and stops at its first difference.
    [[nodiscard]] bool Same(std::size_t a, std::size_t b, std::size_t length) const;

    // Bytes [at, at + length) of the view, which lie within it: in place, or gathered into scratch
    // (valid until scratch's next use).
    [[nodiscard]] std::span<const std::uint8_t> Read(std::size_t at, std::size_t length, Scratch& scratch) const;

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t stride_ = 1;
};

}  // namespace vesperine
