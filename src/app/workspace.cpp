// Workspace: replacing buffers with their lengths, and the dump length kept within the dump.
#include "app/workspace.h"

#include <algorithm>
#include <cassert>
#include <new>

namespace vesperine {

void Workspace::ReplaceBase(ByteBuffer bytes) {
    assert(bytes.size() <= UINT32_MAX);
    // A block of its own: a snapshot of the old base keeps the old one.
    base_ = std::make_shared<ByteBuffer>(std::move(bytes));
}

void Workspace::ReplaceMask(ByteBuffer bytes) {
    assert(bytes.size() <= UINT32_MAX);
    mask_ = std::move(bytes);
}

std::span<std::uint8_t> Workspace::PrepareDump(std::uint32_t length) {
    dumpLength_ = std::min(dumpLength_, length);
    try {
        if (dump_.use_count() > 1) {
            // Shared: the snapshot keeps the old bytes, and the new extract needs none of them
            // (the caller overwrites every byte up to length, so the recorded length still lies
            // within written bytes).
            dump_ = std::make_shared<ByteBuffer>();
        }
        dump_->ResizeDiscarding(length);
    } catch (const std::bad_alloc&) {
        dumpLength_ = 0;
        throw;
    }
    return *dump_;
}

void Workspace::ShareBaseAsDump() {
    dumpLength_ = std::min<std::uint32_t>(dumpLength_, baseLength());
    dump_ = base_;
}

std::span<std::uint8_t> Workspace::ChangeDump() {
    if (dump_.use_count() > 1) dump_ = std::make_shared<ByteBuffer>(ByteBuffer::CopyOf(*dump_));
    return {dump_->data(), dumpLength_};
}

void Workspace::RecordDumpLength(std::uint32_t length) {
    assert(length <= dump_->size());
    dumpLength_ = static_cast<std::uint32_t>(std::min<std::size_t>(length, dump_->size()));
}

void Workspace::Release() { *this = Workspace{}; }

}  // namespace vesperine
