// Workspace: the buffers no control shows, with the rules that tie their lengths to their bytes.
#pragma once

#include <cstdint>
#include <span>

#include <memory>

#include "base/byte_buffer.h"
#include "base/shared_bytes.h"

namespace vesperine {

// The base file, the mask file and the working dump, and the panes' top offsets. The base and
// mask lengths are their buffers' sizes, so they cannot disagree. The dump keeps a recorded
// length of its own (only Analyze records one; a search extracts without recording), and its
// rule is kept here: the recorded length never exceeds the bytes held.
//
// MainDialog hands out read-only access; the commands that own a change call the mutators.
// Others may share the base and the dump as they are now (snapshots): the workspace then never
// changes those bytes again. A new base or extract takes a block of its own, and a change in
// place copies a shared dump first, so a snapshot costs nothing until the dump changes.
class Workspace {
public:
    [[nodiscard]] std::span<const std::uint8_t> Base() const { return *base_; }
    [[nodiscard]] std::span<const std::uint8_t> Mask() const { return mask_; }
    // The dump as last recorded: its first dumpLength() bytes.
    [[nodiscard]] std::span<const std::uint8_t> Dump() const { return {dump_->data(), dumpLength_}; }
    // Every byte the dump buffer holds: the last extract, which may be longer than the dump.
    [[nodiscard]] std::span<const std::uint8_t> HeldDump() const { return *dump_; }
    // The base, and the dump as recorded, shared as they are now (see above).
    [[nodiscard]] SharedBytes BaseSnapshot() const { return {base_, base_->size()}; }
    [[nodiscard]] SharedBytes DumpSnapshot() const { return {dump_, dumpLength_}; }

    // Lengths are 32-bit: no buffer is ever given more than 2^32 - 1 bytes.
    [[nodiscard]] std::uint32_t baseLength() const { return static_cast<std::uint32_t>(base_->size()); }
    [[nodiscard]] std::uint32_t maskLength() const { return static_cast<std::uint32_t>(mask_.size()); }
    [[nodiscard]] std::uint32_t dumpLength() const { return dumpLength_; }
    [[nodiscard]] std::uint32_t baseTop() const { return baseTop_; }
    [[nodiscard]] std::uint32_t dumpTop() const { return dumpTop_; }

    // A loaded file replaces the buffer held, and with it the length. At most 2^32 - 1 bytes.
    void ReplaceBase(ByteBuffer bytes);
    void ReplaceMask(ByteBuffer bytes);

    // Makes the dump buffer hold length bytes for a new extract to fill, in the block held
    // when it fits (its old bytes are then overwritten by the caller), else in a new block
    // once the old one is gone: never two dumps at once. The recorded length is cut to the
    // new size, so it stays within the bytes held until the caller records a new one.
    // Throws std::bad_alloc, after which no dump is held and the recorded length is 0.
    [[nodiscard]] std::span<std::uint8_t> PrepareDump(std::uint32_t length);
    // Makes the dump the base itself, as a Full, unmasked extract of the whole base would fill
    // it, without a copy: the two share one block, so the first change of either (a transform,
    // a new base or extract) takes a block of its own. The recorded length is cut as by
    // PrepareDump.
    void ShareBaseAsDump();
    // Records the dump's length; it must lie within the bytes held.
    void RecordDumpLength(std::uint32_t length);
    // The recorded dump, for the transforms that change it in place. When the dump is shared,
    // its bytes are copied first; throws std::bad_alloc when the copy cannot be had, and the
    // dump is then as it was.
    [[nodiscard]] std::span<std::uint8_t> ChangeDump();

    void SetBaseTop(std::uint32_t top) { baseTop_ = top; }
    void SetDumpTop(std::uint32_t top) { dumpTop_ = top; }

    // Back to the start: no buffers, every number 0.
    void Release();

private:
    // Never null, so the accessors need no test; shared_ptr so that snapshots can share them.
    std::shared_ptr<ByteBuffer> base_ = std::make_shared<ByteBuffer>();
    ByteBuffer mask_;
    std::shared_ptr<ByteBuffer> dump_ = std::make_shared<ByteBuffer>();
    std::uint32_t dumpLength_ = 0;
    std::uint32_t baseTop_ = 0;
    std::uint32_t dumpTop_ = 0;
};

}  // namespace vesperine
