// Pane rendering: the cost of showing 17 rows must not grow with the buffer behind them.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "panes/code_page.h"
#include "panes/pane_text.h"

namespace vesperine {
namespace {

void BM_FormatPane(benchmark::State& state) {
    const std::vector<std::uint8_t> buffer(static_cast<std::size_t>(state.range(0)), 0x41);
    const ByteClasses classes = ClassesForCodePage(932);
    std::uint32_t top = 0;
    const auto rows = static_cast<std::uint32_t>(buffer.size() / 16);
    for (auto _ : state) {
        benchmark::DoNotOptimize(FormatPane(buffer, top * 16u, classes));
        top = (top + 4099) % rows;  // scroll about the whole buffer
    }
}
BENCHMARK(BM_FormatPane)->Name("BM_FormatPane/1KiB")->Arg(1 << 10);
BENCHMARK(BM_FormatPane)->Name("BM_FormatPane/1GiB")->Arg(1 << 30);

}  // namespace
}  // namespace vesperine
