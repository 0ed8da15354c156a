// The views and pairings that take ROMs from chips, and the views found through the DAT's CRC-32 index.
#include "board/board_sources.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <map>
#include <unordered_map>

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
        case Pairing::ByteLanes: return "byte lanes 0 to 3 of 32-bit words";
        case Pairing::None: break;
    }
    return "";
}

[[nodiscard]] std::size_t TrailingRun(std::span<const std::uint8_t> bytes, std::uint8_t fill) {
    std::size_t n = bytes.size();
    while (n > 0 && bytes[n - 1] == fill) --n;
    return bytes.size() - n;
}

// The CRC-32 of the chip's bytes spread out over `ways` times its length: each `group` bytes of
// the chip at group position `at` of `ways`, zero bytes at the others.
[[nodiscard]] std::uint32_t SpreadCrc(std::span<const std::uint8_t> bytes, std::size_t group, std::size_t ways,
                                      std::size_t at, std::vector<std::uint8_t>& scratch) {
    scratch.assign(ways * bytes.size(), 0);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        scratch[(i / group) * ways * group + at * group + i % group] = bytes[i];
    return Crc32(scratch);
}

// The CRC-32 register, from 0, after one more zero byte: the linear part of a message's CRC-32
// times x^8 (see FindHits).
[[nodiscard]] std::uint32_t ZeroByteStep(std::uint32_t r) {
    constexpr std::uint32_t kPolynomial = 0xEDB88320u;
    for (int i = 0; i < 8; ++i) r = (r >> 1) ^ (kPolynomial & (0u - (r & 1u)));
    return r;
}

[[nodiscard]] unsigned DigestKinds(const dat::RomEntry& rom) {
    return (rom.md5 ? dat::kMd5 : 0u) | (rom.sha1 ? dat::kSha1 : 0u) | (rom.sha256 ? dat::kSha256 : 0u);
}

}  // namespace

std::string DescribeSource(const Source& source, std::span<const Chip> chips) {
    if (source.pairing == Pairing::None) return chips[source.chips[0]].name + " (" + source.view.name + ")";
    if (source.pairing == Pairing::ByteLanes) {
        const auto name = [&](std::size_t k) -> const std::string& { return chips[source.chips[k]].name; };
        return name(0) + ", " + name(1) + ", " + name(2) + " and " + name(3) + ", " + PairingWords(source.pairing);
    }
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
    if (source.pairing == Pairing::ByteLanes) {
        std::vector<std::uint8_t> out(4 * a.size());
        for (std::size_t lane = 0; lane < 4; ++lane) {
            const std::span<const std::uint8_t> chip = chips[source.chips[lane]].bytes;
            for (std::size_t i = 0; i < chip.size(); ++i) out[4 * i + lane] = chip[i];
        }
        return out;
    }
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

namespace {

/*
  Four chips of length n as the byte lanes of 32-bit words: the image is the XOR of each chip
  spread to its lane (its bytes at 4i + j, zeros between) over N = 4n bytes, so its CRC-32 is
  L(S0(a)) ^ L(S1(b)) ^ L(S2(c)) ^ L(S3(d)) ^ crc(N zeros), L being the CRC register from 0 (the
  linear part). S_j is S_3 with 3 - j of its leading zeros moved to its end: leading zeros leave
  the register at 0, and each trailing zero byte is one step of it. So each chip is spread and
  hashed once, as lane 3. Quadruples meet in the middle: each (a, b) of the group gives
  X = L(S0(a)) ^ L(S1(b)), each (c, d) the Y that the rest adds, and a ROM of size N and CRC R
  wants X = R ^ Y; for each (c, d) the shorter side is walked, the (a, b) pairs or the ROMs, so
  a group of k chips against m ROMs costs k^2 min(k^2, m) lookups.
*/
// Reports to pass, of length 1.
template <typename Offer>
void FindByteLanes(std::span<const Chip> chips, const dat::DatIndex& index, const std::vector<bool>& explained,
                   const PassMeter& pass, const Offer& offer) {
    std::map<std::uint64_t, std::vector<std::size_t>> groups;  // the chips nothing explains, by length
    for (std::size_t c = 0; c < chips.size(); ++c) {
        const std::uint64_t n = chips[c].bytes.size();
        if (!explained[c] && n > 0 && index.HasSize(4 * n)) groups[n].push_back(c);
    }
    std::erase_if(groups, [](const auto& group) { return group.second.size() < 4; });
    const PassMeter all = pass.Part(0, 1, std::max<std::size_t>(groups.size(), 1));
    std::vector<std::uint8_t> scratch;
    std::size_t done = 0;
    for (const auto& entry : groups) {
        // Named, not bound: the lambdas below capture them, which structured bindings allow
        // only from C++20 compilers newer than Debian's clang.
        const std::uint64_t n = entry.first;
        const std::vector<std::size_t>& group = entry.second;
        const PassMeter groupPass = all.Part(done, done + 1, 2 * group.size());
        ++done;
        scratch.assign(4 * n, 0);
        const std::uint32_t zeroCrc = Crc32(scratch);
        std::vector<std::array<std::uint32_t, 4>> lanes(group.size());  // L(S_j) of each chip
        for (std::size_t k = 0; k < group.size(); ++k) {
            if (groupPass.Tick(k)) return;
            std::uint32_t r = SpreadCrc(chips[group[k]].bytes, 1, 4, 3, scratch) ^ zeroCrc;
            for (std::size_t j = 4; j-- > 0; r = ZeroByteStep(r)) lanes[k][j] = r;
        }
        std::unordered_multimap<std::uint32_t, std::pair<std::size_t, std::size_t>> heads;  // X -> (a, b)
        for (std::size_t a = 0; a < group.size(); ++a) {
            for (std::size_t b = 0; b < group.size(); ++b) {
                if (a != b) heads.emplace(lanes[a][0] ^ lanes[b][1], std::pair{a, b});
            }
        }
        std::vector<std::uint32_t> roms;  // each CRC-32 of that size once: offer takes every ROM of it
        for (const auto& [crc, rom] : index.CrcsOfSize(4 * n)) roms.push_back(crc);
        std::sort(roms.begin(), roms.end());
        roms.erase(std::unique(roms.begin(), roms.end()), roms.end());
        const auto tryFour = [&](std::size_t a, std::size_t b, std::size_t c, std::size_t d, std::uint32_t crc) {
            if (a == c || a == d || b == c || b == d) return;
            offer(Source{{group[a], group[b], group[c], group[d]}, {}, Pairing::ByteLanes, 4 * n}, crc);
        };
        for (std::size_t c = 0; c < group.size(); ++c) {
            if (groupPass.Tick(group.size() + c)) return;
            for (std::size_t d = 0; d < group.size(); ++d) {
                if (c == d) continue;
                const std::uint32_t y = lanes[c][2] ^ lanes[d][3] ^ zeroCrc;
                if (heads.size() <= roms.size()) {
                    for (const auto& [x, ab] : heads) tryFour(ab.first, ab.second, c, d, x ^ y);
                    continue;
                }
                for (const std::uint32_t crc : roms) {
                    const auto [from, to] = heads.equal_range(crc ^ y);
                    for (auto it = from; it != to; ++it) tryFour(it->second.first, it->second.second, c, d, crc);
                }
            }
        }
    }
}

}  // namespace

std::vector<Hit> FindHits(std::span<const Chip> chips, const dat::DatIndex& index, const PassMeter& views,
                          const PassMeter& pairs) {
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

    std::uint64_t passed = 0;  // bytes of the chips before this one, for the meter
    for (std::size_t c = 0; c < chips.size(); ++c) {
        const std::span<const std::uint8_t> bytes = chips[c].bytes;
        std::vector<ViewPlan> plans = ViewsOf(bytes);
        std::vector<ViewPlan> trimmed = FillTrimmedViews(bytes, index.sizes());
        std::move(trimmed.begin(), trimmed.end(), std::back_inserter(plans));
        // The prefixes share one running CRC-32, each taken up from the one before.
        std::uint64_t crcAt = 0;
        std::uint32_t running = 0;
        for (std::size_t v = 0; v < plans.size(); ++v) {
            if (views.Tick(passed + bytes.size() * v / plans.size())) return hits;
            const ViewPlan& view = plans[v];
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
        passed += bytes.size();
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
    std::vector<Spread> spreads(chips.size());
    std::vector<std::uint8_t> scratch;
    // Each spread passes over twice the chip's length: the poll is asked between them.
    constexpr std::size_t kSpreads = 6;
    const PassMeter spreadPass = pairs.Part(0, 1, (kSpreads + 1) * std::max<std::size_t>(loose.size(), 1));
    for (std::size_t k = 0; k < loose.size() && loose.size() >= 2; ++k) {
        const std::span<const std::uint8_t> bytes = chips[loose[k]].bytes;
        Spread& s = spreads[loose[k]];
        std::uint32_t* const kinds[kSpreads] = {&s.evenBytes, &s.oddBytes, &s.evenWords, &s.oddWords, &s.head, &s.tail};
        for (std::size_t kind = 0; kind < kSpreads; ++kind) {
            if (spreadPass.Tick(kSpreads * k + kind)) return hits;
            if (kind >= 4) {
                scratch.assign(bytes.size(), 0);
                *kinds[kind] = kind == 4 ? Crc32(scratch, Crc32(bytes)) : Crc32(bytes, Crc32(scratch));
            } else if (kind < 2 || bytes.size() % 2 == 0) {
                *kinds[kind] = SpreadCrc(bytes, kind < 2 ? 1 : 2, 2, kind % 2, scratch);
            }
        }
    }
    std::map<std::uint64_t, std::uint32_t> zeroCrcs;  // of 2n zero bytes, by n
    for (std::size_t k = 0; k < loose.size() && loose.size() >= 2; ++k) {
        if (spreadPass.Tick(kSpreads * loose.size() + k)) return hits;
        const std::size_t a = loose[k];
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
    FindByteLanes(chips, index, explained, pairs.Part(1, 2, 1), offer);
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
                                        const dat::DatIndex& index, const PassMeter& pass) {
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
    std::uint64_t passed = 0;  // bytes of the chips before this one, for the meter
    for (const std::size_t c : which) {
        const std::span<const std::uint8_t> bytes = chips[c].bytes;
        passed += bytes.size();
        if (pass.Tick(passed - bytes.size())) return found;
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
        constexpr std::uint64_t kBytesPerTick = std::uint64_t{1} << 16;  // 2^19 effects: a few milliseconds
        for (std::uint64_t k = 0; k < bytes.size(); ++k) {
            if (k % kBytesPerTick == 0 && pass.Tick(passed - bytes.size() + k)) return found;
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
