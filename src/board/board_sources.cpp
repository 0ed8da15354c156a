// The views and pairings that take ROMs from chips, and the views found through the DAT's CRC-32 index.
#include "board/board_sources.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <map>

#include "base/crc32.h"
#include "base/format.h"
#include "dat/digests.h"

namespace vesperine::board {
namespace {

[[nodiscard]] const char* PairingWords(Pairing pairing) {
    switch (pairing) {
        case Pairing::Bytes: return "bytes interleaved";
        case Pairing::Words: return "16-bit words interleaved";
        case Pairing::Concatenated: return "one after the other";
        case Pairing::None: break;
    }
    return "";
}

[[nodiscard]] std::size_t TrailingRun(std::span<const std::uint8_t> bytes, std::uint8_t fill) {
    std::size_t n = bytes.size();
    while (n > 0 && bytes[n - 1] == fill) --n;
    return bytes.size() - n;
}

// The CRC-32 of the chip's bytes spread out: `group` bytes of the chip, then `group` zero bytes
// (evenFirst) or the other way round, over twice the chip's length.
[[nodiscard]] std::uint32_t SpreadCrc(std::span<const std::uint8_t> bytes, std::size_t group, bool evenFirst,
                                      std::vector<std::uint8_t>& scratch) {
    scratch.assign(2 * bytes.size(), 0);
    const std::size_t shift = evenFirst ? 0 : group;
    for (std::size_t i = 0; i < bytes.size(); ++i) scratch[(i / group) * 2 * group + shift + i % group] = bytes[i];
    return Crc32(scratch);
}

[[nodiscard]] unsigned DigestKinds(const dat::RomEntry& rom) {
    return (rom.md5 ? dat::kMd5 : 0u) | (rom.sha1 ? dat::kSha1 : 0u) | (rom.sha256 ? dat::kSha256 : 0u);
}

}  // namespace

std::string DescribeSource(const Source& source, std::span<const Chip> chips) {
    if (source.pairing == Pairing::None) return chips[source.chips[0]].name + " (" + source.view.name + ")";
    const std::string& first = chips[source.chips[0]].name;
    const std::string& second = chips[source.chips[1]].name;
    std::string text = first + " and " + second + ", " + PairingWords(source.pairing);
    if (source.pairing == Pairing::Bytes) text += " (" + first + "'s at even offsets)";
    if (source.pairing == Pairing::Words) text += " (" + first + "'s first)";
    return text;
}

std::vector<std::uint8_t> SourceBytes(const Source& source, std::span<const Chip> chips) {
    if (source.pairing == Pairing::None) {
        ViewBytes view = MaterializeView(chips[source.chips[0]].bytes, source.view);
        if (!view.owned.empty() || view.bytes.empty()) return std::move(view.owned);
        return {view.bytes.begin(), view.bytes.end()};
    }
    const std::span<const std::uint8_t> a = chips[source.chips[0]].bytes;
    const std::span<const std::uint8_t> b = chips[source.chips[1]].bytes;
    std::vector<std::uint8_t> out;
    out.reserve(a.size() + b.size());
    if (source.pairing == Pairing::Concatenated) {
        out.insert(out.end(), a.begin(), a.end());
        out.insert(out.end(), b.begin(), b.end());
        return out;
    }
    const std::size_t group = source.pairing == Pairing::Bytes ? 1 : 2;
    for (std::size_t i = 0; i < a.size(); i += group) {
        out.insert(out.end(), a.begin() + static_cast<std::ptrdiff_t>(i),
                   a.begin() + static_cast<std::ptrdiff_t>(i + group));
        out.insert(out.end(), b.begin() + static_cast<std::ptrdiff_t>(i),
                   b.begin() + static_cast<std::ptrdiff_t>(i + group));
    }
    return out;
}

DigestCheck CheckDigests(const dat::RomEntry& rom, std::span<const std::uint8_t> bytes) {
    DigestCheck check;
    if (bytes.size() != rom.size) {
        check.differs = "size";
        return check;
    }
    const dat::Digests digests =
        dat::ComputeDigests(bytes, dat::DigestThreads::Auto, dat::kDigestChunk, DigestKinds(rom));
    auto compare = [&](const auto& expected, const auto& actual, const char* name) {
        if (!expected || check.differs) return;
        if (*expected == actual) {
            check.verified.emplace_back(name);
        } else {
            check.differs = name;
        }
    };
    compare(rom.crc, digests.crc32, "crc32");
    compare(rom.md5, digests.md5, "md5");
    compare(rom.sha1, digests.sha1, "sha1");
    compare(rom.sha256, digests.sha256, "sha256");
    return check;
}

std::vector<ViewPlan> FillTrimmedViews(std::span<const std::uint8_t> chip, const std::vector<std::uint64_t>& sizes) {
    const std::size_t ff = TrailingRun(chip, 0xFF);
    const std::size_t zero = TrailingRun(chip, 0x00);
    const std::uint8_t fill = ff >= zero ? 0xFF : 0x00;
    const std::uint64_t start = chip.size() - std::max(ff, zero);  // the first byte of the longer fill
    std::vector<ViewPlan> views;
    for (auto it = std::lower_bound(sizes.begin(), sizes.end(), std::max<std::uint64_t>(start, 1));
         it != sizes.end() && *it < chip.size(); ++it) {
        views.push_back({"first " + HexText(*it, 4) + " bytes, then " + (fill == 0xFF ? "FF" : "00") + " fill to " +
                             HexText(chip.size(), 4),
                         "start before fill", ViewKind::Part, 0, 1, 1, *it});
    }
    return views;
}

std::vector<Hit> FindHits(std::span<const Chip> chips, const dat::DatIndex& index) {
    const std::vector<dat::RomEntry>& roms = index.roms();
    std::vector<Hit> hits;
    std::vector<bool> explained(chips.size(), false);
    // A source whose CRC-32 the index knows: each ROM of that size and CRC is a hit when its
    // other digests agree too; the bytes are made and hashed only then.
    auto offer = [&](const Source& source, std::uint32_t crc) {
        const std::vector<std::size_t> found = index.WithCrc(source.size, crc);
        if (found.empty()) return;
        const std::vector<std::uint8_t> bytes = SourceBytes(source, chips);
        for (const std::size_t r : found) {
            DigestCheck check = CheckDigests(roms[r], bytes);
            if (check.differs) continue;
            hits.push_back({r, source, std::move(check.verified)});
            for (const std::size_t c : source.chips) explained[c] = true;
        }
    };

    for (std::size_t c = 0; c < chips.size(); ++c) {
        const std::span<const std::uint8_t> bytes = chips[c].bytes;
        std::vector<ViewPlan> views = ViewsOf(bytes);
        std::vector<ViewPlan> trimmed = FillTrimmedViews(bytes, index.sizes());
        std::move(trimmed.begin(), trimmed.end(), std::back_inserter(views));
        // The prefixes share one running CRC-32, each taken up from the one before.
        std::uint64_t crcAt = 0;
        std::uint32_t running = 0;
        for (const ViewPlan& view : views) {
            if (!index.HasSize(view.size)) continue;
            std::uint32_t crc = 0;
            if (view.family == "start before fill") {
                running = Crc32(bytes.subspan(crcAt, view.size - crcAt), running);
                crcAt = view.size;
                crc = running;
            } else {
                crc = ViewCrc(bytes, view);
            }
            offer(Source{{c}, view, Pairing::None, view.size}, crc);
        }
    }

    /*
      Pairs. CRC-32 is affine over GF(2): for messages u, v of one length,
      crc(u XOR v) = crc(u) XOR crc(v) XOR crc(zeros). Two chips A, B of length n interleaved
      are E(A) XOR O(B), E spreading a chip's groups to the even group positions over 2n bytes
      and O to the odd ones; one after the other they are (A, zeros) XOR (zeros, B). So each chip's
      four spreads and two paddings are hashed once, and each ordered pair is three XORs.
    */
    struct Spread {
        std::uint32_t evenBytes = 0, oddBytes = 0, evenWords = 0, oddWords = 0, head = 0, tail = 0;
    };
    std::vector<std::size_t> loose;
    for (std::size_t c = 0; c < chips.size(); ++c) {
        const std::uint64_t n = chips[c].bytes.size();
        if (!explained[c] && n > 0 && index.HasSize(2 * n)) loose.push_back(c);
    }
    if (loose.size() < 2) return hits;
    std::vector<Spread> spreads(chips.size());
    std::vector<std::uint8_t> scratch;
    for (const std::size_t c : loose) {
        const std::span<const std::uint8_t> bytes = chips[c].bytes;
        Spread& s = spreads[c];
        s.evenBytes = SpreadCrc(bytes, 1, true, scratch);
        s.oddBytes = SpreadCrc(bytes, 1, false, scratch);
        if (bytes.size() % 2 == 0) {
            s.evenWords = SpreadCrc(bytes, 2, true, scratch);
            s.oddWords = SpreadCrc(bytes, 2, false, scratch);
        }
        scratch.assign(bytes.size(), 0);
        s.head = Crc32(scratch, Crc32(bytes));
        s.tail = Crc32(bytes, Crc32(scratch));
    }
    std::map<std::uint64_t, std::uint32_t> zeroCrcs;  // of 2n zero bytes, by n
    for (const std::size_t a : loose) {
        for (const std::size_t b : loose) {
            const std::uint64_t n = chips[a].bytes.size();
            if (a == b || chips[b].bytes.size() != n) continue;
            if (!zeroCrcs.contains(n)) {
                scratch.assign(2 * n, 0);
                zeroCrcs[n] = Crc32(scratch);
            }
            const std::uint32_t zeroCrc = zeroCrcs[n];
            offer(Source{{a, b}, {}, Pairing::Bytes, 2 * n}, spreads[a].evenBytes ^ spreads[b].oddBytes ^ zeroCrc);
            if (n % 2 == 0)
                offer(Source{{a, b}, {}, Pairing::Words, 2 * n}, spreads[a].evenWords ^ spreads[b].oddWords ^ zeroCrc);
            offer(Source{{a, b}, {}, Pairing::Concatenated, 2 * n}, spreads[a].head ^ spreads[b].tail ^ zeroCrc);
        }
    }
    return hits;
}

namespace {

// Whether the chip with the bit that has d bits after it flipped gives every digest rom has.
[[nodiscard]] bool FlipAgrees(std::span<const std::uint8_t> bytes, std::uint64_t d, const dat::RomEntry& rom) {
    std::vector<std::uint8_t> flipped(bytes.begin(), bytes.end());
    flipped[bytes.size() - 1 - d / 8] ^= static_cast<std::uint8_t>(0x80u >> (d % 8));
    return !CheckDigests(rom, flipped).differs;
}

}  // namespace

std::vector<std::size_t> FindOneBitNear(std::span<const Chip> chips, const std::vector<std::size_t>& which,
                                        const dat::DatIndex& index) {
    /*
      Flipping the bit with d bits after it changes the CRC-32 by e(d) = x^(d + 32) mod P
      (diagnosis/repair.cpp derives it): e(0) is the reflected polynomial and e(d + 1) one step
      of the register. So a ROM of the chip's length is one bit away when CRC(chip) XOR its CRC
      is some e(d), d below 8n: one pass over the 8n effects, each looked up among those
      syndromes through a bitmap of 2^20 bits (128 KiB, in cache) before a binary search.
    */
    constexpr std::uint32_t kPolynomial = 0xEDB88320u;
    constexpr unsigned kFilterBits = 20;
    std::vector<std::size_t> found;
    std::vector<std::uint64_t> filter(std::size_t{1} << (kFilterBits - 6));
    std::array<std::uint32_t, 256> table{};  // x^8 times each byte's register: one byte's step
    for (std::uint32_t b = 0; b < 256; ++b) {
        std::uint32_t v = b;
        for (int i = 0; i < 8; ++i) v = (v >> 1) ^ (kPolynomial & (0u - (v & 1u)));
        table[b] = v;
    }
    for (const std::size_t c : which) {
        const std::span<const std::uint8_t> bytes = chips[c].bytes;
        if (bytes.empty() || !index.HasSize(bytes.size())) continue;
        std::vector<std::pair<std::uint32_t, std::size_t>> syndromes = index.CrcsOfSize(bytes.size());
        // 8n effects against m CRC-32s agree by chance 8nm / 2^32 times on average: beyond
        // kChanceMatches a hit says nothing, and the search is not made.
        const double chance =
            8.0 * static_cast<double>(bytes.size()) * static_cast<double>(syndromes.size()) / 4294967296.0;
        if (chance > kChanceMatches) continue;
        const std::uint32_t crc = Crc32(bytes);
        for (auto& [value, rom] : syndromes) value ^= crc;
        std::sort(syndromes.begin(), syndromes.end());
        std::fill(filter.begin(), filter.end(), 0);
        auto slot = [](std::uint32_t v) { return v >> (32 - kFilterBits); };
        for (const auto& [value, rom] : syndromes) filter[slot(value) >> 6] |= std::uint64_t{1} << (slot(value) & 63);
        // Eight chains, d = 8k + j for j = 0..7, each stepped by x^8 (a byte of the register,
        // through the table) so that the eight run side by side rather than one after another.
        std::array<std::uint32_t, 8> effects{};
        effects[0] = kPolynomial;
        for (std::size_t j = 1; j < 8; ++j)
            effects[j] = (effects[j - 1] >> 1) ^ (kPolynomial & (0u - (effects[j - 1] & 1u)));
        for (std::uint64_t k = 0; k < bytes.size(); ++k) {
            for (std::uint32_t& effect : effects) {
                if ((filter[slot(effect) >> 6] >> (slot(effect) & 63) & 1u) != 0) {
                    auto it =
                        std::lower_bound(syndromes.begin(), syndromes.end(), std::make_pair(effect, std::size_t{0}));
                    for (; it != syndromes.end() && it->first == effect; ++it) {
                        const std::uint64_t d = 8 * k + static_cast<std::uint64_t>(&effect - effects.data());
                        if (FlipAgrees(bytes, d, index.roms()[it->second])) found.push_back(it->second);
                    }
                }
                effect = (effect >> 8) ^ table[effect & 0xFFu];
            }
        }
    }
    return found;
}

}  // namespace vesperine::board
