// The four digests through ISA-L (CRC-32) and OpenSSL's EVP interface (MD5, SHA-1, SHA-256).
#include "dat/digests.h"

#include <openssl/evp.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "analysis/crc32.h"

namespace vesperine::dat {
namespace {

// One running EVP digest. OpenSSL picks the processor's SHA instructions where it has them.
class EvpDigest {
public:
    explicit EvpDigest(const EVP_MD* type) : context_(EVP_MD_CTX_new()) {
        if (!context_ || EVP_DigestInit_ex(context_.get(), type, nullptr) != 1) {
            throw std::runtime_error("OpenSSL cannot start a digest");
        }
    }

    void Update(std::span<const std::uint8_t> bytes) { EVP_DigestUpdate(context_.get(), bytes.data(), bytes.size()); }

    template <std::size_t N>
    void Finish(std::array<std::uint8_t, N>& out) {
        unsigned int length = 0;
        EVP_DigestFinal_ex(context_.get(), out.data(), &length);
    }

private:
    struct Free {
        void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
    };
    std::unique_ptr<EVP_MD_CTX, Free> context_;
};

// Calls each(chunk) over bytes in chunks of chunkSize.
template <typename Each>
void ForEachChunk(std::span<const std::uint8_t> bytes, std::size_t chunkSize, Each&& each) {
    for (std::size_t at = 0; at < bytes.size(); at += chunkSize) {
        each(bytes.subspan(at, std::min(chunkSize, bytes.size() - at)));
    }
}

}  // namespace

struct DigestStream::State {
    State(DigestThreads threads_, std::size_t chunkSize_, unsigned kinds)
        : threads(threads_), chunkSize(std::max<std::size_t>(chunkSize_, 64)), wantMd5((kinds & kMd5) != 0),
          wantSha1((kinds & kSha1) != 0), wantSha256((kinds & kSha256) != 0) {}

    DigestThreads threads;
    std::size_t chunkSize;
    bool wantMd5, wantSha1, wantSha256;
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
    EvpDigest md5{EVP_md5()};
    EvpDigest sha1{EVP_sha1()};
    EvpDigest sha256{EVP_sha256()};

    // The MD5 thread and the piece it works on: set by Update, cleared by the thread when done.
    std::thread md5Thread;
    std::mutex mutex;
    std::condition_variable changed;
    std::span<const std::uint8_t> md5Piece;
    bool md5Busy = false;
    bool stopping = false;

    void RunMd5Thread() {
        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(lock, [&] { return md5Busy || stopping; });
            if (!md5Busy) return;
            const std::span<const std::uint8_t> piece = md5Piece;
            lock.unlock();
            ForEachChunk(piece, chunkSize, [&](auto chunk) { md5.Update(chunk); });
            lock.lock();
            md5Busy = false;
            changed.notify_all();
        }
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
    : state_(std::make_unique<State>(threads, chunkSize, kinds)) {
    if (!state_->wantMd5 || std::thread::hardware_concurrency() < 2) state_->threads = DigestThreads::One;
}

DigestStream::~DigestStream() { state_->StopMd5Thread(); }

void DigestStream::Update(std::span<const std::uint8_t> piece) {
    State& s = *state_;
    if (s.threads == DigestThreads::Auto && s.size + piece.size() >= kTwoThreadsFrom) s.threads = DigestThreads::Two;
    if (s.threads == DigestThreads::Two && !s.md5Thread.joinable()) s.md5Thread = std::thread([&s] { s.RunMd5Thread(); });
    const bool md5Here = s.wantMd5 && !s.md5Thread.joinable();
    if (!md5Here && s.wantMd5) {
        {
            std::lock_guard lock(s.mutex);
            s.md5Piece = piece;
            s.md5Busy = true;
        }
        s.changed.notify_all();
    }
    ForEachChunk(piece, s.chunkSize, [&](std::span<const std::uint8_t> chunk) {
        s.crc = Crc32(chunk, s.crc);
        if (md5Here) s.md5.Update(chunk);
        if (s.wantSha1) s.sha1.Update(chunk);
        if (s.wantSha256) s.sha256.Update(chunk);
    });
    s.size += piece.size();
    if (!md5Here && s.wantMd5) {
        std::unique_lock lock(s.mutex);
        s.changed.wait(lock, [&] { return !s.md5Busy; });
    }
}

Digests DigestStream::Finish() {
    State& s = *state_;
    s.StopMd5Thread();
    Digests digests;
    digests.size = s.size;
    digests.crc32 = s.crc;
    if (s.wantMd5) s.md5.Finish(digests.md5);
    if (s.wantSha1) s.sha1.Finish(digests.sha1);
    if (s.wantSha256) s.sha256.Finish(digests.sha256);
    return digests;
}

Digests ComputeDigests(std::span<const std::uint8_t> bytes, DigestThreads threads, std::size_t chunkSize,
                       unsigned kinds) {
    DigestStream stream(threads, chunkSize, kinds);
    stream.Update(bytes);
    return stream.Finish();
}

}  // namespace vesperine::dat
