// Views matched by size and CRC-32 through the index, confirmed by the other digests.
#include "dat/identify.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <set>

#include "analysis/views.h"
#include "dat/digests.h"

namespace vesperine::dat {
namespace {

[[nodiscard]] std::string LowerStem(std::string_view name) {
    const std::size_t slash = name.find_last_of("/\\");
    if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
    std::string stem(name);
    for (char& c : stem) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return stem;
}

const std::vector<std::size_t> kNone;

// The digests the DAT gives for rom beyond CRC-32, compared with the view's: the names that
// agree, or the first that differs.
struct Verdict {
    std::vector<std::string> verified{"crc32"};
    std::optional<std::string> differs;
};

[[nodiscard]] Verdict Confirm(const RomEntry& rom, const Digests& digests) {
    Verdict verdict;
    auto check = [&](const auto& expected, const auto& actual, const char* name) {
        if (!expected || verdict.differs) return;
        if (*expected == actual) {
            verdict.verified.emplace_back(name);
        } else {
            verdict.differs = name;
        }
    };
    check(rom.md5, digests.md5, "md5");
    check(rom.sha1, digests.sha1, "sha1");
    check(rom.sha256, digests.sha256, "sha256");
    return verdict;
}

// The digests that confirming rom takes (0 when the DAT gives only a CRC-32).
[[nodiscard]] unsigned DigestsFor(const RomEntry& rom) {
    return (rom.md5 ? kMd5 : 0u) | (rom.sha1 ? kSha1 : 0u) | (rom.sha256 ? kSha256 : 0u);
}

}  // namespace

DatIndex::DatIndex(std::vector<RomEntry> roms) : roms_(std::move(roms)) {
    for (std::size_t i = 0; i < roms_.size(); ++i) {
        const RomEntry& rom = roms_[i];
        if (rom.crc) byCrc_.push_back({rom.size, *rom.crc, i});
        sizes_.push_back(rom.size);
        byStem_[LowerStem(rom.name)].push_back(i);
        byGame_[rom.game].push_back(i);
    }
    std::sort(byCrc_.begin(), byCrc_.end(),
              [](const Key& a, const Key& b) { return a.size != b.size ? a.size < b.size : a.crc < b.crc; });
    std::sort(sizes_.begin(), sizes_.end());
    sizes_.erase(std::unique(sizes_.begin(), sizes_.end()), sizes_.end());
}

bool DatIndex::HasSize(std::uint64_t size) const { return std::binary_search(sizes_.begin(), sizes_.end(), size); }

std::vector<std::size_t> DatIndex::WithCrc(std::uint64_t size, std::uint32_t crc) const {
    const auto [first, last] =
        std::equal_range(byCrc_.begin(), byCrc_.end(), Key{size, crc, 0},
                         [](const Key& a, const Key& b) { return a.size != b.size ? a.size < b.size : a.crc < b.crc; });
    std::vector<std::size_t> found;
    for (auto it = first; it != last; ++it) found.push_back(it->rom);
    return found;
}

std::vector<std::pair<std::uint32_t, std::size_t>> DatIndex::CrcsOfSize(std::uint64_t size) const {
    const auto first =
        std::lower_bound(byCrc_.begin(), byCrc_.end(), size, [](const Key& a, std::uint64_t s) { return a.size < s; });
    std::vector<std::pair<std::uint32_t, std::size_t>> found;
    for (auto it = first; it != byCrc_.end() && it->size == size; ++it) found.emplace_back(it->crc, it->rom);
    return found;
}

const std::vector<std::size_t>& DatIndex::WithStem(std::string_view fileName) const {
    const auto it = byStem_.find(LowerStem(fileName));
    return it == byStem_.end() ? kNone : it->second;
}

const std::vector<std::size_t>& DatIndex::OfGame(const std::string& game) const {
    const auto it = byGame_.find(game);
    return it == byGame_.end() ? kNone : it->second;
}

Identification Identify(std::span<const std::uint8_t> file, std::string_view fileName, const DatIndex& index, bool near,
                        const ViewProgress& progress) {
    const std::vector<ViewPlan> views = ViewsOf(file);
    const std::vector<RomEntry>& roms = index.roms();
    Identification result;
    std::vector<bool> viewMatched(views.size(), false);
    std::set<std::size_t> romsMatched;
    std::set<std::pair<std::size_t, std::size_t>> nearSeen;  // (view, rom)
    auto addNear = [&](std::size_t v, std::size_t rom, std::string reason) {
        if (nearSeen.insert({v, rom}).second) result.nearMisses.push_back({views[v].name, rom, std::move(reason)});
    };

    for (std::size_t v = 0; v < views.size(); ++v) {
        if (progress) progress(v, views.size());
        const ViewPlan& view = views[v];
        if (!index.HasSize(view.size)) continue;
        const std::vector<std::size_t> hits = index.WithCrc(view.size, ViewCrc(file, view));
        // The view is hashed once for all its hits, with the digests any of them gives.
        unsigned kinds = 0;
        for (const std::size_t r : hits) kinds |= DigestsFor(roms[r]);
        std::optional<Digests> digests;
        if (kinds != 0) {
            digests = ComputeDigests(MaterializeView(file, view).bytes, DigestThreads::Auto, kDigestChunk, kinds);
        }
        for (const std::size_t r : hits) {
            Verdict verdict = digests ? Confirm(roms[r], *digests) : Verdict{};
            if (verdict.differs) {
                addNear(v, r, "crc32 agrees but " + *verdict.differs + " differs");
                continue;
            }
            result.matches.push_back({view.name, r, std::move(verdict.verified)});
            viewMatched[v] = true;
            romsMatched.insert(r);
        }
    }
    if (!near) return result;

    auto reasonFor = [&](std::size_t rom) {
        return std::string(roms[rom].crc ? "crc32 differs" : "the DAT gives no crc32");
    };
    if (!viewMatched[0]) {
        for (const std::size_t r : index.WithStem(fileName)) {
            if (roms[r].size == views[0].size && !romsMatched.count(r))
                addNear(0, r, "same size and name, " + reasonFor(r));
        }
    }
    for (const ViewMatch& match : result.matches) {
        const auto matchedView =
            std::find_if(views.begin(), views.end(), [&](const ViewPlan& s) { return s.name == match.view; });
        for (const std::size_t r : index.OfGame(roms[match.rom].game)) {
            if (romsMatched.count(r)) continue;
            for (std::size_t v = 0; v < views.size(); ++v) {
                if (viewMatched[v] || views[v].family != matchedView->family || views[v].size != roms[r].size) continue;
                addNear(v, r, "same size and layout as a matched ROM of its game, " + reasonFor(r));
            }
        }
    }
    return result;
}

}  // namespace vesperine::dat
