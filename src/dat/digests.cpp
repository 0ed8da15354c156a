// The four digests in one pass: CRC-32 through base/crc32.h, the others through the system (running_digest.h).
#include "dat/digests.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "base/crc32.h"
#include "dat/running_digest.h"

namespace vesperine::dat {
namespace {

// Calls each(chunk) over bytes in chunks of chunkSize.
template <typename Each>
void ForEachChunk(std::span<const std::uint8_t> bytes, std::size_t chunkSize, Each&& each) {
    for (std::size_t at = 0; at < bytes.size(); at += chunkSize) {
        each(bytes.subspan(at, std::min(chunkSize, bytes.size() - at)));
    }
}

// The running digests. md5 may be fed from another thread than the rest, never from two.
struct DigestSet {
    explicit DigestSet(unsigned kinds)
        : wantMd5((kinds & kMd5) != 0), wantSha1((kinds & kSha1) != 0), wantSha256((kinds & kSha256) != 0) {}

    // CRC-32, SHA-1 and SHA-256, and MD5 too when withMd5.
    void Update(std::span<const std::uint8_t> chunk, bool withMd5) {
        size += chunk.size();
        crc = Crc32(chunk, crc);
        if (withMd5 && wantMd5) md5.Update(chunk);
        if (wantSha1) sha1.Update(chunk);
        if (wantSha256) sha256.Update(chunk);
    }

    [[nodiscard]] Digests Finish() {
        Digests digests;
        digests.size = size;
        digests.crc32 = crc;
        if (wantMd5) md5.Finish(digests.md5);
        if (wantSha1) sha1.Finish(digests.sha1);
        if (wantSha256) sha256.Finish(digests.sha256);
        return digests;
    }

    bool wantMd5, wantSha1, wantSha256;
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
    RunningDigest md5{DigestAlgorithm::kMd5};
    RunningDigest sha1{DigestAlgorithm::kSha1};
    RunningDigest sha256{DigestAlgorithm::kSha256};
};

[[nodiscard]] bool CanUseTwoThreads(unsigned kinds) {
    return (kinds & kMd5) != 0 && std::thread::hardware_concurrency() >= 2;
}

// The MD5 thread may run this far behind the other digests: 16 slots of 1 MiB.
constexpr std::size_t kRingSlots = 16;
constexpr std::size_t kSlotSize = std::size_t{1} << 20;

}  // namespace

struct DigestStream::State {
    State(DigestThreads threads_, std::size_t chunkSize_, unsigned kinds)
        : threads(CanUseTwoThreads(kinds) ? threads_ : DigestThreads::One),
          chunkSize(std::max<std::size_t>(chunkSize_, 64)),
          digests(kinds) {}

    DigestThreads threads;
    std::size_t chunkSize;
    DigestSet digests;

    // The ring the MD5 thread reads: slots [consumed, produced) are full, in order.
    std::thread md5Thread;
    std::vector<std::vector<std::uint8_t>> ring;
    std::vector<std::size_t> filled;
    std::mutex mutex;
    std::condition_variable changed;
    std::uint64_t produced = 0;
    std::uint64_t consumed = 0;
    bool stopping = false;

    void StartMd5Thread() {
        ring.assign(kRingSlots, std::vector<std::uint8_t>(kSlotSize));
        filled.assign(kRingSlots, 0);
        md5Thread = std::thread([this] { RunMd5Thread(); });
    }

    void RunMd5Thread() {
        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(lock, [&] { return consumed < produced || stopping; });
            if (consumed == produced) return;
            const std::size_t slot = consumed % kRingSlots;
            lock.unlock();
            ForEachChunk(std::span(ring[slot].data(), filled[slot]), chunkSize,
                         [&](auto chunk) { digests.md5.Update(chunk); });
            lock.lock();
            ++consumed;
            changed.notify_all();
        }
    }

    // Copies a part of a piece (at most a slot) into the next free slot for the MD5 thread.
    void HandToMd5Thread(std::span<const std::uint8_t> part) {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return produced - consumed < kRingSlots; });
        const std::size_t slot = produced % kRingSlots;
        lock.unlock();
        std::memcpy(ring[slot].data(), part.data(), part.size());
        filled[slot] = part.size();
        lock.lock();
        ++produced;
        changed.notify_all();
    }

    void StopMd5Thread() {
        if (!md5Thread.joinable()) return;
        {
            std::lock_guard lock(mutex);
            stopping = true;
        }
        changed.notify_all();
        md5Thread.join();
    }
};

DigestStream::DigestStream(DigestThreads threads, std::size_t chunkSize, unsigned kinds)
    : state_(std::make_unique<State>(threads, chunkSize, kinds)) {}

DigestStream::~DigestStream() { state_->StopMd5Thread(); }

void DigestStream::Update(std::span<const std::uint8_t> piece) {
    State& s = *state_;
    if (s.threads == DigestThreads::Auto && s.digests.size + piece.size() >= kTwoThreadsFrom) {
        s.threads = DigestThreads::Two;
    }
    if (s.threads == DigestThreads::Two && !s.md5Thread.joinable()) s.StartMd5Thread();
    if (!s.md5Thread.joinable()) {
        ForEachChunk(piece, s.chunkSize, [&](auto chunk) { s.digests.Update(chunk, true); });
        return;
    }
    ForEachChunk(piece, kSlotSize, [&](std::span<const std::uint8_t> part) {
        s.HandToMd5Thread(part);
        ForEachChunk(part, s.chunkSize, [&](auto chunk) { s.digests.Update(chunk, false); });
    });
}

Digests DigestStream::Finish() {
    state_->StopMd5Thread();
    return state_->digests.Finish();
}

Digests ComputeDigests(std::span<const std::uint8_t> bytes, DigestThreads threads, std::size_t chunkSize,
                       unsigned kinds) {
    chunkSize = std::max<std::size_t>(chunkSize, 64);
    if (!CanUseTwoThreads(kinds)) threads = DigestThreads::One;
    if (threads == DigestThreads::Auto)
        threads = bytes.size() >= kTwoThreadsFrom ? DigestThreads::Two : DigestThreads::One;
    DigestSet digests(kinds);
    std::thread md5Thread;
    if (threads == DigestThreads::Two) {
        md5Thread =
            std::thread([&] { ForEachChunk(bytes, chunkSize, [&](auto chunk) { digests.md5.Update(chunk); }); });
    }
    ForEachChunk(bytes, chunkSize, [&](auto chunk) { digests.Update(chunk, threads == DigestThreads::One); });
    if (md5Thread.joinable()) md5Thread.join();
    return digests.Finish();
}

}  // namespace vesperine::dat
