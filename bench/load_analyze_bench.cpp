// A 1 GiB base file loaded and analysed through the core, and the first touch of memory apart.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/main_dialog.h"
#include "platform/std_file_system.h"

#ifndef _WIN32
#include <sys/mman.h>
#endif

namespace vesperine {
namespace {

constexpr std::size_t kGiB = std::size_t{1} << 30;

// Just enough of a window: the open dialog answers the file, long tasks run on a thread.
class BenchHost final : public Host {
public:
    explicit BenchHost(std::string path) : path_(std::move(path)) {}
    [[nodiscard]] std::string ControlText(int id) const override {
        const auto it = texts_.find(id);
        return it == texts_.end() ? std::string() : it->second;
    }
    void SetControlText(int id, std::string_view text) override { texts_[id] = std::string(text); }
    void LimitText(int, int) override {}
    [[nodiscard]] int CheckedRadio(int, int) const override { return 0; }
    void CheckRadio(int, int, int) override {}
    [[nodiscard]] int CheckState(int) const override { return 0; }
    void SetCheckState(int, int) override {}
    void SetScrollRangeAndPos(int, int, int, int) override {}
    void SetScrollPos(int, int) override {}
    [[nodiscard]] int ScrollPos(int) const override { return 0; }
    [[nodiscard]] int ScrollTrackPos(int) const override { return 0; }
    [[nodiscard]] int FocusedControl() const override { return 0; }
    void FocusControl(int, bool) override {}
    MessageAnswer ShowMessage(std::string_view text, std::optional<std::string_view>, MessageButtons) override {
        std::fprintf(stderr, "unexpected message: %.*s\n", static_cast<int>(text.size()), text.data());
        std::abort();
    }
    std::optional<std::string> ChooseOpenFile() override { return path_; }
    std::optional<std::string> ChooseSaveFile() override { return std::nullopt; }
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    [[nodiscard]] bool IsKeyDown(PolledKey) override { return false; }
    [[nodiscard]] bool RunLongTask(std::string_view, const std::function<void(const ProgressPoll&)>& work) override {
        std::thread worker([&] { work([](const Progress&) { return false; }); });
        worker.join();
        return true;
    }
    [[nodiscard]] int CodePage() const override { return 1252; }
    void EndDialog(int) override {}

private:
    std::string path_;
    std::map<int, std::string> texts_;
};

// A 1 GiB file of random bytes beside the benchmark, made once and read once so that it is in
// the page cache.
std::string CachedFile() {
    static const std::string path = [] {
        const std::string name = (std::filesystem::temp_directory_path() / "vesperine_bench_1GiB.bin").string();
        std::error_code error;
        if (std::filesystem::file_size(name, error) != kGiB) {
            std::vector<std::uint8_t> chunk(std::size_t{1} << 20);
            std::mt19937_64 random(1);
            std::FILE* file = std::fopen(name.c_str(), "wb");
            for (std::size_t done = 0; file != nullptr && done < kGiB; done += chunk.size()) {
                for (auto& b : chunk) b = static_cast<std::uint8_t>(random());
                std::fwrite(chunk.data(), 1, chunk.size(), file);
            }
            if (file != nullptr) std::fclose(file);
        }
        StdFileSystem files;
        (void)files.ReadWholeFile(name);
        return name;
    }();
    return path;
}

// LoadBaseFile, then Analyze (Full, no mask) over the whole file, in a fresh dialog each time:
// the cost a user meets, first touch of the base and the dump included.
void BM_LoadAndAnalyze(benchmark::State& state) {
    const std::string path = CachedFile();
    StdFileSystem files;
    for (auto _ : state) {
        BenchHost host(path);
        MainDialog dialog(host, files);
        dialog.LoadBaseFile();
        dialog.Analyze();
        if (dialog.workspace().dumpLength() != kGiB) state.SkipWithError("not the whole file");
        benchmark::DoNotOptimize(dialog.fields().dumpCrcText);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kGiB));
}
BENCHMARK(BM_LoadAndAnalyze)->Name("BM_LoadAndAnalyze/1GiB")->Unit(benchmark::kMillisecond)->UseRealTime();

// The first touch alone: writing every page of a new 1 GiB block, aligned to 2 MiB, without
// (0) and with (1) the advice for huge pages that ByteBuffer gives.
void BM_FirstTouch(benchmark::State& state) {
    const bool advise = state.range(0) != 0;
    for (auto _ : state) {
        void* block = nullptr;
        if (posix_memalign(&block, ByteBuffer::kLargeBlock, kGiB) != 0) state.SkipWithError("no memory");
#if defined(MADV_HUGEPAGE)
        if (advise) (void)madvise(block, kGiB, MADV_HUGEPAGE);
#endif
        std::memset(block, 1, kGiB);
        benchmark::DoNotOptimize(block);
        std::free(block);
    }
    (void)advise;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kGiB));
}
BENCHMARK(BM_FirstTouch)->Name("BM_FirstTouch/1GiB")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same writes into a block already touched: what remains once the first touch is paid.
void BM_TouchAgain(benchmark::State& state) {
    ByteBuffer block(kGiB);
    std::memset(block.data(), 0, kGiB);
    for (auto _ : state) {
        std::memset(block.data(), 1, kGiB);
        benchmark::DoNotOptimize(block.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kGiB));
}
BENCHMARK(BM_TouchAgain)->Name("BM_TouchAgain/1GiB")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace vesperine
