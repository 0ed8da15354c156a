// MainDialog: the dialog's fields, the workspace buffers and every command, behind the host.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "analysis/extract.h"
#include "app/control_ids.h"
#include "app/host.h"
#include "app/workspace.h"
#include "files/file_system.h"

namespace vesperine {

// The dialog's fields, each bound to one control by the exchange table (exchange_table.cpp).
// Declaration order is the exchange order.
struct DialogFields {
    std::string basePath;
    std::string maskPath;
    std::int32_t maskMode = 0;    // 0 Nothing, 1 EX-OR, 2 Replace(1byte)
    std::int32_t stripeMode = 0;  // 0 Full, 1 Odd, 2 Even
    std::string baseHex;
    std::string baseText;
    std::string dumpHex;
    std::string dumpText;
    std::string areaStart;
    std::string areaEnd;
    std::string dumpSizeText;
    std::string dumpCrcText;
    std::string baseJumpText;
    std::string dumpJumpText;
    std::string quickXorText;
    std::int32_t syncScroll = 0;  // 0 clear, 1 ticked
    std::int32_t endianMode = 0;  // 0 16bit, 1 32bit
    std::string searchSizeText;
    std::string searchCrcText;
    std::string searchStepText = "4";
    std::string logText;
};

// Where an extraction starts and how many dump bytes it gave.
struct ExtractedArea {
    std::uint32_t start = 0;
    std::uint32_t length = 0;
};

// Loads and Analyze of at least this many bytes run as long tasks (a worker thread behind a
// progress display); smaller ones are done at once, as their cost cannot be seen.
inline constexpr std::uint64_t kLongTaskBytes = std::uint64_t{4} << 20;

// How a long task ended, as the command that ran it sees it.
enum class TaskEnd {
    Done,     // the work ran to its end (it may have been broken off; the work says)
    Failed,   // it could not run or threw; its message has been shown
    Closing,  // the window was asked to close meanwhile, and now has been: return at once
};

class MainDialog {
public:
    MainDialog(Host& host, FileSystem& files);

    // Window life (app/main_dialog.cpp). OnCancel during a long task asks the task to break
    // off; the window closes as soon as it has.
    void OnInitDialog();
    void OnOk();
    void OnCancel();

    // Routing of the window's sources to commands (app/routing.cpp). Unknown ids do nothing.
    void OnMenuCommand(int menuId);
    void OnButtonClicked(int controlId);
    void OnEditChanged(int controlId);
    // The key filter: every key-down without Alt, before the control handles it.
    void OnKeyDown(FilterKey key);
    void OnVScroll(ScrollRequest request, int barId);  // panes/scrolling.cpp

    // Exchange and log (app/exchange.cpp, app/log.cpp).
    void PushToControls();
    bool PullFromControls();
    void AppendLog(std::string_view line);
    void ClearLog();

    // Files (app/file_commands.cpp).
    void LoadBaseFile();
    void LoadMaskFile();
    // The loads of a path given without the open dialog (the command line, a dropped file):
    // the same checks, messages and results as when the dialog had chosen it.
    void LoadBaseFileFrom(const std::string& path);
    void LoadMaskFileFrom(const std::string& path);
    void SaveDumpFile();
    void SaveDetectedWindow(std::uint32_t offset, std::uint32_t size);

    // Panes (panes/pane_commands.cpp, panes/scrolling.cpp, panes/jumps.cpp).
    void RenderBasePane();
    void RenderDumpPane();
    void ResetPaneScroll(int barId, std::uint32_t length);
    void PagePane(int step);
    void BaseJump();
    void DumpJump();

    // Analysis (app/analyze.cpp, app/transform_commands.cpp).
    void Analyze();
    void QuickExor();
    void EndianConvert();
    void SwapHalves();

    // Search (app/crc_search.cpp).
    void CrcSearch();

    [[nodiscard]] DialogFields& fields() { return fields_; }
    [[nodiscard]] const DialogFields& fields() const { return fields_; }
    // Read-only: only the commands change the workspace.
    [[nodiscard]] const Workspace& workspace() const { return workspace_; }
    [[nodiscard]] Host& host() { return host_; }
    // True while a long task's work runs. Meanwhile no routed source reaches a command, and
    // the commands that would replace, change or write out a buffer return at once.
    [[nodiscard]] bool LongTaskRunning() const { return longTask_; }

private:
    // The first half of the ExtractArea step that Analyze and CrcSearch share: the area's
    // checks with their messages, and the dump block ready to fill. The second half fills it
    // (ExtractInto, or ExtractInPieces on a long task's worker). With mayShareBase, an area
    // that is the whole base as it is (IsWholeBase) makes the dump the base's own block
    // instead: sharesBase is set and there is nothing to fill.
    struct PendingExtract {
        AreaRequest area;
        std::span<std::uint8_t> dump;
        bool sharesBase = false;
    };
    [[nodiscard]] bool BeginExtract(PendingExtract& pending, bool mayShareBase = false);
    // The recorded dump, for a change in place; nothing, after "Out of memory.", when a shared
    // dump could not be copied first.
    [[nodiscard]] std::optional<std::span<std::uint8_t>> WritableDump();
    // Runs work as the host's long task (app/long_task.cpp). The work sees a poll that also
    // answers true once a close was asked for; what it throws is caught and shown.
    [[nodiscard]] TaskEnd RunTask(std::string_view title, const std::function<void(const ProgressPoll&)>& work);
    // Asks for a path, then writes what bytes() gives, taken only once the dialog has returned.
    bool SaveBytes(const std::function<std::span<const std::uint8_t>()>& bytes);
    [[nodiscard]] std::optional<ByteBuffer> LoadFile(const std::string& path, std::string& pathField,
                                                     std::string_view title);
    void RenderPane(int barId);

    Host& host_;
    FileSystem& files_;
    DialogFields fields_;
    Workspace workspace_;
    bool sweeping_ = false;  // set while PushToControls or PullFromControls runs
    bool longTask_ = false;  // set on the interface thread while RunTask runs
    // Set by OnCancel during a long task; read by the work's poll on the worker thread.
    std::atomic<bool> closeRequested_{false};
};

}  // namespace vesperine
