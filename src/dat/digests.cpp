// The four digests through ISA-L (CRC-32) and OpenSSL's EVP interface (MD5, SHA-1, SHA-256).
#include "dat/digests.h"

#include <openssl/evp.h>

#include <algorithm>
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

constexpr std::size_t kTwoThreadsFrom = std::size_t{4} << 20;

}  // namespace

Digests ComputeDigests(std::span<const std::uint8_t> bytes, DigestThreads threads, std::size_t chunkSize,
                       unsigned kinds) {
    chunkSize = std::max<std::size_t>(chunkSize, 64);
    const bool wantMd5 = (kinds & kMd5) != 0;
    const bool wantSha1 = (kinds & kSha1) != 0;
    const bool wantSha256 = (kinds & kSha256) != 0;
    if (!wantMd5) threads = DigestThreads::One;
    if (threads == DigestThreads::Auto) {
        threads = bytes.size() >= kTwoThreadsFrom && std::thread::hardware_concurrency() >= 2 ? DigestThreads::Two
                                                                                              : DigestThreads::One;
    }
    Digests digests;
    digests.size = bytes.size();
    EvpDigest md5(EVP_md5());
    EvpDigest sha1(EVP_sha1());
    EvpDigest sha256(EVP_sha256());
    std::thread md5Thread;
    if (threads == DigestThreads::Two) {
        md5Thread = std::thread([&] { ForEachChunk(bytes, chunkSize, [&](auto chunk) { md5.Update(chunk); }); });
    }
    std::uint32_t crc = 0;
    ForEachChunk(bytes, chunkSize, [&](std::span<const std::uint8_t> chunk) {
        crc = Crc32(chunk, crc);
        if (wantMd5 && threads == DigestThreads::One) md5.Update(chunk);
        if (wantSha1) sha1.Update(chunk);
        if (wantSha256) sha256.Update(chunk);
    });
    if (md5Thread.joinable()) md5Thread.join();
    digests.crc32 = crc;
    if (wantMd5) md5.Finish(digests.md5);
    if (wantSha1) sha1.Finish(digests.sha1);
    if (wantSha256) sha256.Finish(digests.sha256);
    return digests;
}

}  // namespace vesperine::dat
