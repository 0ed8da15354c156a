// Making the views: spans for the parts, the project's interleave split for the lanes.
#include "checksum/views.h"

#include "analysis/interleave.h"

namespace vesperine::checksum {
namespace {

void AddParts(std::span<const std::uint8_t> dump, std::uint32_t count, const char* noun, std::vector<View>& views) {
    const std::uint64_t size = dump.size() / count;
    for (std::uint32_t i = 0; i < count; ++i) {
        View view;
        view.name = std::string(noun) + " " + std::to_string(i + 1) + " of " + std::to_string(count);
        view.part = true;
        view.offset = i * size;
        view.bytes = dump.subspan(view.offset, size);
        views.push_back(std::move(view));
    }
}

void AddLanes(std::span<const std::uint8_t> dump, std::uint32_t ways, std::vector<View>& views) {
    const std::size_t first = views.size();
    std::vector<std::span<std::uint8_t>> parts;
    for (std::uint32_t lane = 0; lane < ways; ++lane) {
        View view;
        view.name = ways == 2 ? (lane == 0 ? "odd bytes" : "even bytes")
                              : "byte lane " + std::to_string(lane + 1) + " of " + std::to_string(ways);
        view.ways = ways;
        view.lane = lane;
        view.owned.resize(dump.size() / ways);
        views.push_back(std::move(view));
    }
    for (std::size_t i = first; i < views.size(); ++i) {
        parts.emplace_back(views[i].owned);
        views[i].bytes = views[i].owned;
    }
    SplitInterleaved(dump, Interleave{ways, 1}, parts, 0);
}

}  // namespace

std::vector<View> MakeViews(std::span<const std::uint8_t> dump, const ViewChoice& choice) {
    std::vector<View> views;
    View whole;
    whole.name = "whole";
    whole.bytes = dump;
    views.push_back(std::move(whole));
    const bool even = !dump.empty() && dump.size() % 2 == 0;
    const bool byFour = !dump.empty() && dump.size() % 4 == 0;
    if (even) AddParts(dump, 2, "half", views);
    if (byFour && choice.quarters) AddParts(dump, 4, "quarter", views);
    if (even) AddLanes(dump, 2, views);
    if (byFour) AddLanes(dump, 4, views);
    return views;
}

std::uint64_t DumpOffsetOf(const View& view, std::uint64_t at) {
    return view.part ? view.offset + at : at * view.ways + view.lane;
}

}  // namespace vesperine::checksum
