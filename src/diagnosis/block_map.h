// What each block of a dump is, for the Inspector's map: fills, repeats, text, high entropy.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "base/work_poll.h"

namespace vesperine::diagnosis {

enum class BlockKind {
    FillFF,       // every byte FF (erased flash or EPROM)
    Fill00,       // every byte 00
    Repeat,       // the same bytes as an earlier block
    Text,         // at least 90 % printable ASCII
    HighEntropy,  // above 7 bits of Shannon entropy a byte: compressed or encrypted
    Data,         // anything else: code, tables
};

struct Block {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
    BlockKind kind = BlockKind::Data;
    std::uint64_t repeatOf = 0;  // for Repeat: the offset of the first block with these bytes
    double entropy = 0;          // Shannon entropy of the block's byte values in bits a byte, 0 to 8
};

// At most this many blocks: the map stays one screenful of rows to scroll through.
inline constexpr std::uint64_t kMaxBlocks = 1024;

// The block length for a dump of length bytes: the smallest power of two from 512 up that
// cuts it into at most kMaxBlocks blocks (512 bytes are enough to tell high entropy: random
// bytes give about 7.6 bits a byte there).
[[nodiscard]] std::uint64_t BlockLengthFor(std::uint64_t length);

// The blocks of bytes in order, each of blockLength bytes but the last. A fill is named before
// a repeat, a repeat before text and entropy; fills and repeats are told by the diagnosis' own
// scans (scan.h), as its fill map and repetition tell them. Repeats are found by the CRC-32 of each block and
// confirmed byte by byte, so the time is one pass plus one comparison per true repeat (and per
// CRC collision: about one map of kMaxBlocks blocks in 8,000 meets one).
// Every block carries its entropy, whatever its kind (a fill's is 0).
[[nodiscard]] std::vector<Block> MapBlocks(std::span<const std::uint8_t> bytes, std::uint64_t blockLength);

// The same, reporting to poll after each block the bytes mapped of the file's length (a block is
// at most 1 MiB up to 1 GiB, kMaxBlocks of the file beyond); nothing when broken off.
[[nodiscard]] std::optional<std::vector<Block>> MapBlocks(std::span<const std::uint8_t> bytes,
                                                          std::uint64_t blockLength, const WorkPoll& poll);

[[nodiscard]] const char* BlockKindName(BlockKind kind);  // "FF fill", "00 fill", "repeat", ...

}  // namespace vesperine::diagnosis
