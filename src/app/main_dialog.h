// MainDialog: the dialog's fields, the workspace buffers and every command, behind the host.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "app/control_ids.h"
#include "files/file_system.h"
#include "app/host.h"

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

// The buffers no control shows. Invariant: every length is at most its buffer's size.
struct Workspace {
    Bytes baseBuffer;
    std::uint32_t baseLength = 0;
    Bytes maskBuffer;
    std::uint32_t maskLength = 0;
    Bytes dumpBuffer;
    std::uint32_t dumpLength = 0;
    std::uint32_t baseTop = 0;
    std::uint32_t dumpTop = 0;

    [[nodiscard]] std::span<const std::uint8_t> Base() const { return {baseBuffer.data(), baseLength}; }
    [[nodiscard]] std::span<const std::uint8_t> Mask() const { return {maskBuffer.data(), maskLength}; }
    [[nodiscard]] std::span<std::uint8_t> Dump() { return {dumpBuffer.data(), dumpLength}; }
    [[nodiscard]] std::span<const std::uint8_t> Dump() const { return {dumpBuffer.data(), dumpLength}; }
    void Release();
};

// Where an extraction starts and how many dump bytes it gave.
struct ExtractedArea {
    std::uint32_t start = 0;
    std::uint32_t length = 0;
};

class MainDialog {
public:
    MainDialog(Host& host, FileSystem& files);

    // Window life (app/main_dialog.cpp).
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

    // Files (files/file_commands.cpp).
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

    // Analysis (analysis/analyze.cpp, analysis/transform_commands.cpp).
    [[nodiscard]] bool ExtractArea(ExtractedArea& area);
    void Analyze();
    void QuickExor();
    void EndianConvert();
    void SwapHalves();

    // Search (search/crc_search.cpp).
    void CrcSearch();

    [[nodiscard]] DialogFields& fields() { return fields_; }
    [[nodiscard]] const DialogFields& fields() const { return fields_; }
    [[nodiscard]] Workspace& workspace() { return workspace_; }
    [[nodiscard]] const Workspace& workspace() const { return workspace_; }
    [[nodiscard]] Host& host() { return host_; }

private:
    bool SaveBytes(std::span<const std::uint8_t> bytes);
    bool LoadFile(const std::string& path, std::string& pathField, Bytes& buffer, std::uint32_t& length);
    void RenderPane(int barId);

    Host& host_;
    FileSystem& files_;
    DialogFields fields_;
    Workspace workspace_;
    bool sweeping_ = false;  // set while PushToControls or PullFromControls runs
};

}  // namespace vesperine
