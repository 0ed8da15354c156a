// Candidate sets ranked by the ROMs the chips provide, and the best worked out ROM by ROM.
#include "board/board.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <set>
#include <tuple>

#include "base/crc32.h"
#include "board/board_mend.h"
#include "board/board_sources.h"

namespace vesperine::board {
namespace {

// A ROM a set needs, and the device it comes through when it is not the set's own.
struct Needed {
    std::size_t rom = 0;
    const dat::SetRom* entry = nullptr;
    std::string via;
};

/*
  A set's ROMs: those it lists, and those of the devices it names. A DAT that lists shared ROMs
  (MAME's listing, merged and non-merged sets: some ROM has `merge`) lists every ROM a set
  needs; a split DAT (no ROM has `merge`) leaves a clone's shared ROMs in its parent and a
  machine's BIOS ROMs in the BIOS, so there the sets up the `romof` chain give each ROM whose
  name the set does not list itself.
*/
[[nodiscard]] std::vector<Needed> NeededRoms(const BoardIndex& index, std::size_t set) {
    const dat::DatSet& own = index.sets()[set];
    std::vector<Needed> needed;
    std::set<std::string> names;
    for (const dat::SetRom& rom : own.roms) {
        needed.push_back({rom.rom, &rom, ""});
        names.insert(index.roms().roms()[rom.rom].name);
    }
    if (!index.listsShared()) {
        const dat::DatSet* ancestor = &own;
        constexpr int kDeepest = 4;  // clone, parent, BIOS: deeper chains are loops or mistakes
        for (int depth = 0; depth < kDeepest && !ancestor->romOf.empty(); ++depth) {
            ancestor = index.Named(ancestor->romOf);
            if (ancestor == nullptr || ancestor == &own) break;
            const std::string via = std::string(ancestor->isBios ? "BIOS" : "parent") + " \"" + ancestor->name + "\"";
            for (const dat::SetRom& rom : ancestor->roms) {
                if (names.insert(index.roms().roms()[rom.rom].name).second) needed.push_back({rom.rom, &rom, via});
            }
        }
    }
    std::set<std::string> seen;
    for (const std::string& name : own.deviceRefs) {
        const dat::DatSet* device = index.Named(name);
        if (device == nullptr || device == &own || !seen.insert(name).second) continue;
        for (const dat::SetRom& rom : device->roms) needed.push_back({rom.rom, &rom, "device \"" + name + "\""});
    }
    return needed;
}

struct Ranked {
    std::size_t set = 0;
    std::size_t provided = 0;
    std::size_t oneBitAway = 0;
    std::size_t notProvided = 0;
};

// The chips whose every view an earlier ROM took for a near miss, and the single views taken.
struct NearPool {
    std::vector<bool> chipTaken;
    std::set<std::pair<std::size_t, std::string>> viewsTaken;
};

// The layouts that provided a candidate's ROMs: a near miss is sought in the same.
struct Layouts {
    std::set<std::string> families;  // of single-chip views
    std::set<Pairing> pairings;
};

// A near miss to try, and whether only a verified mend makes it one: a pairing no other ROM of
// the set showed is a layout guessed, which the DAT's digests must confirm.
struct NearTry {
    Source source;
    bool tentative = false;
};

[[nodiscard]] std::vector<NearTry> NearSources(std::span<const Chip> chips, const dat::RomEntry& rom,
                                               const std::vector<std::size_t>& unused, const Layouts& layouts,
                                               const NearPool& pool) {
    constexpr std::size_t kTries = 4;  // near views tried for one ROM: each costs a mend search
    std::vector<NearTry> found;
    // Two chips of half the ROM's length, paired as other ROMs of the set were, else as bytes
    // interleaved (a 16-bit bus), tentatively.
    const bool guessed = layouts.pairings.empty();
    const std::set<Pairing> pairings = guessed ? std::set<Pairing>{Pairing::Bytes} : layouts.pairings;
    {
        // The first four free chips of a quarter of its length, in the order given, as the
        // sockets of a 32-bit bus are named: 24 orders would each cost a mend search.
        std::vector<std::size_t> four;
        for (const std::size_t c : unused) {
            if (four.size() < 4 && !pool.chipTaken[c] && 4 * chips[c].bytes.size() == rom.size) four.push_back(c);
        }
        const bool shown = layouts.pairings.contains(Pairing::ByteLanes);
        if (four.size() == 4) found.push_back({{four, {}, Pairing::ByteLanes, rom.size}, !shown});
    }
    for (const Pairing pairing : pairings) {
        if (pairing == Pairing::ByteLanes) continue;
        for (const std::size_t a : unused) {
            for (const std::size_t b : unused) {
                if (a == b || pool.chipTaken[a] || pool.chipTaken[b] || 2 * chips[a].bytes.size() != rom.size ||
                    chips[b].bytes.size() != chips[a].bytes.size())
                    continue;
                found.push_back({{{a, b}, {}, pairing, rom.size}, guessed});
                if (found.size() == kTries) return found;
            }
        }
    }
    for (const std::size_t c : unused) {
        if (pool.chipTaken[c]) continue;
        std::vector<ViewPlan> views = ViewsOf(chips[c].bytes);
        const std::vector<std::uint64_t> size{rom.size};
        std::vector<ViewPlan> trimmed = FillTrimmedViews(chips[c].bytes, size);
        std::move(trimmed.begin(), trimmed.end(), std::back_inserter(views));
        for (const ViewPlan& view : views) {
            if (view.size != rom.size || pool.viewsTaken.contains({c, view.name})) continue;
            const bool layout =
                view.family == "whole" || view.family == "start before fill" || layouts.families.contains(view.family);
            if (!layout) continue;
            found.push_back({{{c}, view, Pairing::None, view.size}, false});
            if (found.size() == kTries) return found;
        }
    }
    return found;
}

// MAME lists every BIOS a machine can boot, each ROM with the choice it belongs to (`bios`); a
// board holds one. When the ROMs of some choice are all provided, the missing ROMs of the other
// choices are not needed: they are neither sought as near misses nor counted missing.
void MarkOtherBiosChoices(std::vector<RomResult>& roms) {
    std::map<std::string, bool> whole;
    for (const RomResult& r : roms) {
        if (r.entry->bios.empty()) continue;
        const bool provided = r.state == RomState::Good || r.state == RomState::BadDump;
        const auto [it, first] = whole.emplace(r.entry->bios, provided);
        if (!first) it->second = it->second && provided;
    }
    if (std::none_of(whole.begin(), whole.end(), [](const auto& choice) { return choice.second; })) return;
    for (RomResult& r : roms) {
        r.otherBiosChoice = r.state == RomState::Missing && !r.entry->bios.empty() && !whole[r.entry->bios];
        if (r.otherBiosChoice) r.state = RomState::Unneeded;
    }
}

// The mends tried, by chip, view and the ROM's size and CRC-32: a parent and its clones share
// near misses, and a 2-bit search can take a second and 256 MiB.
using MendCache = std::map<std::tuple<std::vector<std::size_t>, Pairing, std::string, std::uint64_t, std::uint32_t>,
                           std::vector<Mend>>;

// Broken off, the candidate is half worked out: the caller drops it.
void WorkOut(Candidate& candidate, std::span<const Chip> chips, const BoardIndex& index, MendCache& cache,
             const std::vector<Hit>& hits, const std::vector<std::vector<std::size_t>>& hitsOfRom,
             const PassMeter& pass) {
    const std::vector<dat::RomEntry>& roms = index.roms().roms();
    std::vector<bool> used(chips.size(), false);
    Layouts layouts;
    for (const Needed& need : NeededRoms(index, candidate.set)) {
        RomResult result;
        result.rom = need.rom;
        result.entry = need.entry;
        result.via = need.via;
        const dat::RomEntry& rom = roms[need.rom];
        if (!hitsOfRom[need.rom].empty()) {
            // Two ROMs of one content (two sockets with the same chip) take two chips when two
            // provide it: the first hit on chips no earlier ROM took.
            const std::vector<std::size_t>& its = hitsOfRom[need.rom];
            const auto fresh = std::find_if(its.begin(), its.end(), [&](std::size_t h) {
                return std::none_of(hits[h].source.chips.begin(), hits[h].source.chips.end(),
                                    [&](std::size_t c) { return used[c]; });
            });
            const Hit& hit = hits[fresh == its.end() ? its.front() : *fresh];
            // A nodump entry with digests is the DAT's guess, not a dump anyone checked: what
            // matches it is still unverified, never good.
            result.state = rom.status == dat::RomStatus::BadDump  ? RomState::BadDump
                           : rom.status == dat::RomStatus::NoDump ? RomState::NoDump
                                                                  : RomState::Good;
            result.source = hit.source;
            result.verified = hit.verified;
            for (const std::size_t c : hit.source.chips) used[c] = true;
            if (hit.source.pairing == Pairing::None) {
                layouts.families.insert(hit.source.view.family);
            } else {
                layouts.pairings.insert(hit.source.pairing);
            }
        } else if (rom.status == dat::RomStatus::NoDump) {
            result.state = RomState::NoDump;
        }
        candidate.roms.push_back(std::move(result));
    }
    for (std::size_t c = 0; c < chips.size(); ++c) {
        if (!used[c]) candidate.unusedChips.push_back(c);
    }
    MarkOtherBiosChoices(candidate.roms);
    NearPool pool{std::vector<bool>(chips.size(), false), {}};
    for (RomResult& result : candidate.roms) {
        const dat::RomEntry& rom = roms[result.rom];
        if (pass.BrokenOff()) return;
        if (result.state != RomState::Missing || !rom.crc) continue;
        std::optional<RomResult> firstNear;
        for (const auto& [source, tentative] : NearSources(chips, rom, candidate.unusedChips, layouts, pool)) {
            RomResult near = result;
            near.state = RomState::Near;
            near.source = source;
            const auto key = std::make_tuple(source.chips, source.pairing, source.view.name, rom.size, *rom.crc);
            auto cached = cache.find(key);
            if (cached == cache.end()) cached = cache.emplace(key, TryMends(chips, source, rom, pass)).first;
            near.mends = cached->second;
            if (pass.Tick(1)) return;
            near.nearCrc = Crc32(SourceBytes(source, chips));
            const bool verified = std::any_of(near.mends.begin(), near.mends.end(),
                                              [](const Mend& m) { return m.outcome == MendOutcome::Verified; });
            if (tentative && !verified) continue;
            if (!firstNear || verified) firstNear = std::move(near);
            if (verified) break;
        }
        if (!firstNear) continue;
        result = std::move(*firstNear);
        const Source& source = *result.source;
        if (source.pairing != Pairing::None || source.view.family == "whole" ||
            source.view.family == "start before fill") {
            for (const std::size_t c : source.chips) pool.chipTaken[c] = true;
        } else {
            pool.viewsTaken.insert({source.chips[0], source.view.name});
        }
    }
    // A chip that gave a near miss is used too: it is no stranger to the set.
    std::erase_if(candidate.unusedChips, [&](std::size_t c) {
        return std::any_of(candidate.roms.begin(), candidate.roms.end(), [&](const RomResult& r) {
            return r.state == RomState::Near &&
                   std::find(r.source->chips.begin(), r.source->chips.end(), c) != r.source->chips.end();
        });
    });
    bool mendsSuffice = true;
    for (const RomResult& result : candidate.roms) {
        switch (result.state) {
            case RomState::Good: ++candidate.good; break;
            case RomState::BadDump: ++candidate.badDumps; break;
            case RomState::NoDump: ++candidate.noDumps; break;
            case RomState::Near: {
                ++candidate.near;
                const bool mended = std::any_of(result.mends.begin(), result.mends.end(),
                                                [](const Mend& m) { return m.outcome == MendOutcome::Verified; });
                candidate.mended += mended ? 1 : 0;
                mendsSuffice = mendsSuffice && mended;
                break;
            }
            case RomState::Unneeded: ++candidate.unneeded; break;
            case RomState::Missing:
                ++candidate.missing;
                if (result.entry->optional) {
                    ++candidate.optionalMissing;
                } else {
                    mendsSuffice = false;
                }
                break;
        }
    }
    candidate.complete = candidate.near == 0 && candidate.missing == candidate.optionalMissing;
    candidate.completeMended = !candidate.complete && mendsSuffice;
}

}  // namespace

const char* RomStateName(RomState state) {
    switch (state) {
        case RomState::Good: return "good";
        case RomState::BadDump: return "baddump";
        case RomState::Near: return "near";
        case RomState::Missing: return "missing";
        case RomState::NoDump: return "nodump";
        case RomState::Unneeded: return "unneeded";
    }
    return "missing";
}

void AppendSets(dat::DatSets& all, dat::DatSets one) {
    const std::size_t base = all.roms.size();
    for (dat::DatSet& set : one.sets) {
        for (dat::SetRom& rom : set.roms) rom.rom += base;
    }
    std::move(one.roms.begin(), one.roms.end(), std::back_inserter(all.roms));
    std::move(one.sets.begin(), one.sets.end(), std::back_inserter(all.sets));
}

BoardIndex::BoardIndex(dat::DatSets sets) : sets_(std::move(sets.sets)), index_(std::move(sets.roms)) {
    setOf_.assign(index_.roms().size(), 0);
    entryOf_.assign(index_.roms().size(), nullptr);
    for (std::size_t s = 0; s < sets_.size(); ++s) {
        byName_.emplace(sets_[s].name, s);
        for (const dat::SetRom& rom : sets_[s].roms) {
            listsShared_ = listsShared_ || !rom.merge.empty();
            setOf_[rom.rom] = s;
            entryOf_[rom.rom] = &rom;
        }
    }
}

const dat::DatSet* BoardIndex::Named(const std::string& name) const {
    const auto it = byName_.find(name);
    return it == byName_.end() ? nullptr : &sets_[it->second];
}

BoardResult FindBoard(std::span<const Chip> chips, const BoardIndex& index) {
    return *FindBoard(chips, index, WorkPoll{});
}

std::optional<BoardResult> FindBoard(std::span<const Chip> chips, const BoardIndex& index, const WorkPoll& poll) {
    std::uint64_t bytes = 0;
    for (const Chip& chip : chips) bytes += chip.bytes.size();
    const std::uint64_t stage = std::max<std::uint64_t>(bytes, 1);
    WorkMeter meter(poll, 4 * stage);
    const std::vector<Hit> hits =
        FindHits(chips, index.roms(), PassMeter(&meter, 0, stage, bytes), PassMeter(&meter, stage, stage, 2));
    if (meter.BrokenOff()) return std::nullopt;
    std::vector<std::vector<std::size_t>> hitsOfRom(index.roms().roms().size());
    std::vector<bool> chipHit(chips.size(), false);
    std::set<std::size_t> candidateSets;
    for (std::size_t h = 0; h < hits.size(); ++h) {
        hitsOfRom[hits[h].rom].push_back(h);
        candidateSets.insert(index.SetOf(hits[h].rom));
        for (const std::size_t c : hits[h].source.chips) chipHit[c] = true;
    }
    std::vector<std::size_t> loose;
    for (std::size_t c = 0; c < chips.size(); ++c) {
        if (!chipHit[c]) loose.push_back(c);
    }
    std::uint64_t looseBytes = 0;
    for (const std::size_t c : loose) looseBytes += chips[c].bytes.size();
    std::set<std::size_t> oneBitAway;
    for (const std::size_t rom :
         FindOneBitNear(chips, loose, index.roms(), PassMeter(&meter, 2 * stage, stage, looseBytes))) {
        oneBitAway.insert(rom);
        candidateSets.insert(index.SetOf(rom));
    }
    if (meter.BrokenOff()) return std::nullopt;
    BoardResult result;
    std::vector<Ranked> ranked;
    for (const std::size_t s : candidateSets) {
        Ranked r{s, 0, 0};
        // A board holds one BIOS choice: of the choices' ROMs, only those the nearest choice lacks count.
        std::map<std::string, std::size_t> choiceLacks;
        for (const Needed& need : NeededRoms(index, s)) {
            std::size_t& lacks = need.entry->bios.empty() ? r.notProvided : choiceLacks[need.entry->bios];
            if (!hitsOfRom[need.rom].empty()) {
                ++r.provided;
            } else if (oneBitAway.contains(need.rom)) {
                ++r.oneBitAway;
            } else if (index.roms().roms()[need.rom].status != dat::RomStatus::NoDump) {
                ++lacks;
            }
        }
        if (!choiceLacks.empty()) {
            r.notProvided += std::min_element(choiceLacks.begin(), choiceLacks.end(), [](const auto& a, const auto& b) {
                                 return a.second < b.second;
                             })->second;
        }
        ranked.push_back(r);
    }
    // A device is counted in the machines that use it: alone it ranks after every machine.
    std::sort(ranked.begin(), ranked.end(), [&](const Ranked& a, const Ranked& b) {
        const bool aDevice = index.sets()[a.set].isDevice, bDevice = index.sets()[b.set].isDevice;
        if (aDevice != bDevice) return bDevice;
        if (a.provided != b.provided) return a.provided > b.provided;
        if (a.oneBitAway != b.oneBitAway) return a.oneBitAway > b.oneBitAway;
        if (a.notProvided != b.notProvided) return a.notProvided < b.notProvided;
        const bool aClone = !index.sets()[a.set].cloneOf.empty(), bClone = !index.sets()[b.set].cloneOf.empty();
        if (aClone != bClone) return bClone;
        return index.sets()[a.set].name < index.sets()[b.set].name;
    });
    MendCache mends;
    for (std::size_t i = 0; i < ranked.size() && i < kShownCandidates; ++i) {
        Candidate candidate;
        candidate.set = ranked[i].set;
        WorkOut(candidate, chips, index, mends, hits, hitsOfRom,
                PassMeter(&meter, 3 * stage, stage, kShownCandidates).Part(i, i + 1, 1));
        if (meter.BrokenOff()) return std::nullopt;
        for (const RomResult& r : candidate.roms) {
            if (r.state != RomState::Near) continue;
            for (const std::size_t c : r.source->chips) chipHit[c] = true;
        }
        result.candidates.push_back(std::move(candidate));
    }
    for (std::size_t c = 0; c < chips.size(); ++c) {
        if (!chipHit[c]) result.strangers.push_back(c);
    }
    return result;
}

}  // namespace vesperine::board
