// The routing table: which command each menu item, button and filtered key runs.
#include <array>

#include "app/main_dialog.h"

namespace vesperine {
namespace {

using Command = void (MainDialog::*)();

struct Route {
    int source;  // menu id, button id or virtual-key code
    Command command;
};

const std::array<Route, 4> kMenuRoutes{{
    {ids::kMenuLoadBase, &MainDialog::LoadBaseFile},
    {ids::kMenuLoadMask, &MainDialog::LoadMaskFile},
    {ids::kMenuSaveDump, &MainDialog::SaveDumpFile},
    {ids::kMenuAnalyze, &MainDialog::Analyze},
}};

const std::array<Route, 11> kButtonRoutes{{
    {ids::kAnalyzeButton, &MainDialog::Analyze},
    {ids::kBaseFileButton, &MainDialog::LoadBaseFile},
    {ids::kMaskFileButton, &MainDialog::LoadMaskFile},
    {ids::kBaseJumpButton, &MainDialog::BaseJump},
    {ids::kDumpJumpButton, &MainDialog::DumpJump},
    {ids::kQuickExorButton, &MainDialog::QuickExor},
    {ids::kEndianButton, &MainDialog::EndianConvert},
    {ids::kAttackButton, &MainDialog::CrcSearch},
    {ids::kSwapButton, &MainDialog::SwapHalves},
    {ids::kSaveDumpButton, &MainDialog::SaveDumpFile},
    {ids::kLogClearButton, &MainDialog::ClearLog},
}};

const std::array<Route, 4> kKeyRoutes{{
    {static_cast<int>(FilterKey::F1), &MainDialog::LoadBaseFile},
    {static_cast<int>(FilterKey::F2), &MainDialog::LoadMaskFile},
    {static_cast<int>(FilterKey::F3), &MainDialog::SaveDumpFile},
    {static_cast<int>(FilterKey::F4), &MainDialog::Analyze},
}};

template <std::size_t N>
void Dispatch(MainDialog& dialog, const std::array<Route, N>& routes, int source) {
    for (const Route& route : routes) {
        if (route.source == source) {
            (dialog.*route.command)();
            return;
        }
    }
}

}  // namespace

// While a long task runs no routed source starts a command: the window is the host's to keep
// quiet, and this keeps out anything that slips past it.

void MainDialog::OnMenuCommand(int menuId) {
    if (!longTask_) Dispatch(*this, kMenuRoutes, menuId);
}

void MainDialog::OnButtonClicked(int controlId) {
    if (!longTask_) Dispatch(*this, kButtonRoutes, controlId);
}

void MainDialog::OnKeyDown(FilterKey key) {
    if (longTask_) return;
    switch (key) {
        case FilterKey::PageUp: PagePane(-16); break;
        case FilterKey::PageDown: PagePane(16); break;
        default: Dispatch(*this, kKeyRoutes, static_cast<int>(key)); break;
    }
}

}  // namespace vesperine
