// Workspace: replacing buffers with their lengths, and the dump length kept within the dump.
#include "app/workspace.h"

#include <algorithm>
#include <cassert>
#include <new>

namespace vesperine {

void Workspace::ReplaceBase(ByteBuffer bytes) {
    assert(bytes.size() <= UINT32_MAX);
    base_ = std::move(bytes);
}

void Workspace::ReplaceMask(ByteBuffer bytes) {
    assert(bytes.size() <= UINT32_MAX);
    mask_ = std::move(bytes);
}

std::span<std::uint8_t> Workspace::PrepareDump(std::uint32_t length) {
    dumpLength_ = std::min(dumpLength_, length);
    try {
        dump_.ResizeDiscarding(length);
    } catch (const std::bad_alloc&) {
        dumpLength_ = 0;
        throw;
    }
    return dump_;
}

void Workspace::RecordDumpLength(std::uint32_t length) {
    assert(length <= dump_.size());
    dumpLength_ = static_cast<std::uint32_t>(std::min<std::size_t>(length, dump_.size()));
}

void Workspace::Release() { *this = Workspace{}; }

}  // namespace vesperine
