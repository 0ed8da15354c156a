// The dialog driven by a random sequence of what a user can do, on the fake host and file
// system, with the workspace's invariants checked after every step.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/crc32.h"
#include "base/format.h"
#include "panes/pane_text.h"
#include "support/dialog_harness.h"

namespace {

using namespace vesperine;
using vesperine::testing::DialogHarness;
using vesperine::testing::FakeScrollBar;

constexpr int kMaxSteps = 64;
constexpr std::size_t kMaxFileBytes = 4096;

void Require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

// Text typed into a pane, told apart from any rendering by its length.
const std::string kPaneTyping = "typed into a pane";

void CheckPane(const std::string& hex, const std::string& chars, const char* which) {
    if (hex.empty() || hex == kPaneTyping) return;
    Require(hex.size() == kHexTextLength, which);
    Require(chars.size() == kCharTextLength || chars == kPaneTyping, which);
}

void CheckInvariants(const DialogHarness& h) {
    const Workspace& w = h.dialog.workspace();
    Require(w.dumpLength() <= w.HeldDump().size(), "dumpLength <= the dump bytes held");
    Require(w.Dump().size() == w.dumpLength(), "Dump() is dumpLength bytes");
    Require(w.baseLength() == w.Base().size(), "baseLength is the base bytes held");
    Require(w.maskLength() == w.Mask().size(), "maskLength is the mask bytes held");
    const DialogFields& f = h.dialog.fields();
    CheckPane(f.baseHex, f.baseText, "base pane texts are 984 and 304 bytes");
    CheckPane(f.dumpHex, f.dumpText, "dump pane texts are 984 and 304 bytes");
    CheckPane(h.Text(ids::kBaseHex), h.Text(ids::kBaseText), "base pane controls hold 984 and 304 bytes");
    CheckPane(h.Text(ids::kDumpHex), h.Text(ids::kDumpText), "dump pane controls hold 984 and 304 bytes");
    Require(h.host.waitDepth == 0, "wait cursor balanced");
    for (const auto& [id, bar] : h.host.bars) {
        Require(bar.minimum <= bar.position && bar.position <= bar.maximum, "scroll position inside its range");
    }
}

// A hex text as a user might type it: mostly numbers near the lengths in play, sometimes junk.
std::string HexText(FuzzedDataProvider& in, std::uint32_t near) {
    switch (in.ConsumeIntegralInRange(0, 4)) {
        case 0: return in.ConsumeRandomLengthString(12);
        case 1: return "";
        case 2: return HexDigits(in.ConsumeIntegral<std::uint32_t>(), 8);
        default: {
            const auto delta = in.ConsumeIntegralInRange<std::int32_t>(-40, 40);
            char text[16];
            std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(near + static_cast<std::uint32_t>(delta)));
            return text;
        }
    }
}

std::optional<std::string> ChosenPath(FuzzedDataProvider& in) {
    if (in.ConsumeIntegralInRange(0, 5) == 0) return std::nullopt;  // cancelled
    return "/f/" + std::to_string(in.ConsumeIntegralInRange(0, 3));
}

void ScriptFile(DialogHarness& h, FuzzedDataProvider& in, const std::string& path) {
    h.files.readFailures.erase(path);
    if (in.ConsumeIntegralInRange(0, 4) == 0) {
        h.files.readFailures[path] = static_cast<ReadStatus>(in.ConsumeIntegralInRange(1, 5));
        return;
    }
    const auto length = in.ConsumeIntegralInRange<std::size_t>(0, kMaxFileBytes);
    Bytes bytes = in.ConsumeBytes<std::uint8_t>(length);
    // Longer files than the input holds, by repeating what it gave.
    if (const auto repeat = in.ConsumeIntegralInRange(0, 8); repeat > 1 && !bytes.empty()) {
        const Bytes once = bytes;
        for (int i = 1; i < repeat; ++i) bytes.insert(bytes.end(), once.begin(), once.end());
    }
    h.files.files[path] = std::move(bytes);
}

void Load(DialogHarness& h, FuzzedDataProvider& in, bool base) {
    const std::optional<std::string> path = ChosenPath(in);
    if (path) ScriptFile(h, in, *path);
    h.host.openAnswers.push_back(path);
    switch (in.ConsumeIntegralInRange(0, 2)) {
        case 0: h.dialog.OnMenuCommand(base ? ids::kMenuLoadBase : ids::kMenuLoadMask); break;
        case 1: h.dialog.OnButtonClicked(base ? ids::kBaseFileButton : ids::kMaskFileButton); break;
        default: h.dialog.OnKeyDown(base ? FilterKey::F1 : FilterKey::F2); break;
    }
    h.host.openAnswers.clear();
}

void ScriptSave(DialogHarness& h, FuzzedDataProvider& in) {
    const std::optional<std::string> path = ChosenPath(in);
    if (path) {
        h.files.writeFailures.erase(*path);
        if (in.ConsumeBool())
            h.files.writeFailures[*path] = in.ConsumeBool() ? WriteStatus::CannotOpen : WriteStatus::Failed;
    }
    h.host.saveAnswers.push_back(path);
}

// A search whose target is often the CRC of a window of the base file, so hits come.
void Search(DialogHarness& h, FuzzedDataProvider& in) {
    const auto size = in.ConsumeIntegralInRange<std::uint32_t>(0, 64);
    const auto step = in.ConsumeIntegralInRange<std::uint32_t>(0, 9);
    std::uint32_t target = in.ConsumeIntegral<std::uint32_t>();
    const Workspace& w = h.dialog.workspace();
    if (in.ConsumeBool() && w.baseLength() > 0) {
        const auto offset = in.ConsumeIntegralInRange<std::uint32_t>(0, w.baseLength() - 1);
        target = Crc32(w.Base().subspan(offset, std::min(size, w.baseLength() - offset)));
    }
    h.host.Type(ids::kSearchSize, HexDigits(size, 8));
    h.host.Type(ids::kSearchCrc, HexDigits(target, 8));
    h.host.Type(ids::kSearchStep, in.ConsumeBool() ? HexDigits(step, 8) : HexText(in, step));
    h.host.messageAnswers.push_back(in.ConsumeBool() ? MessageAnswer::Yes : MessageAnswer::No);
    ScriptSave(h, in);
    h.dialog.OnButtonClicked(ids::kAttackButton);
}

void Scroll(DialogHarness& h, FuzzedDataProvider& in) {
    const int bar = in.PickValueInArray({ids::kBaseScrollBar, ids::kDumpScrollBar, ids::kDumpScrollBar, 0});
    const auto request = static_cast<ScrollRequest>(in.ConsumeIntegralInRange(0, 9));
    FakeScrollBar& state = h.host.bars[bar == 0 ? ids::kBaseScrollBar : bar];
    // A drag goes anywhere in the bar's range; a stale one may lie outside it.
    if (request == ScrollRequest::ThumbTrack) {
        state.track =
            in.ConsumeBool() ? in.ConsumeIntegralInRange(state.minimum, state.maximum) : in.ConsumeIntegral<int>();
    }
    h.dialog.OnVScroll(request, bar);
    state.track.reset();
}

void Step(DialogHarness& h, FuzzedDataProvider& in) {
    const Workspace& w = h.dialog.workspace();
    switch (in.ConsumeIntegralInRange(0, 19)) {
        case 0: Load(h, in, true); break;
        case 1: Load(h, in, false); break;
        case 2:
            h.host.Type(ids::kAreaStart, HexText(in, in.ConsumeBool() ? 0 : w.baseLength() / 2));
            h.host.Type(ids::kAreaEnd, HexText(in, w.baseLength()));
            break;
        case 3: h.ChooseStripe(in.ConsumeIntegralInRange(-1, 3)); break;
        case 4: h.ChooseMask(in.ConsumeIntegralInRange(-1, 3)); break;
        case 5:
            if (in.ConsumeBool()) {
                h.dialog.OnButtonClicked(ids::kAnalyzeButton);
            } else {
                h.dialog.OnMenuCommand(ids::kMenuAnalyze);
            }
            break;
        case 6: h.dialog.OnKeyDown(FilterKey::F4); break;
        case 7: Scroll(h, in); break;
        case 8:
            h.host.focus = in.PickValueInArray({ids::kBaseHex, ids::kDumpHex, ids::kBaseText, ids::kMemo, 0});
            h.dialog.OnKeyDown(in.ConsumeBool() ? FilterKey::PageUp : FilterKey::PageDown);
            break;
        case 9:
            h.host.Type(in.ConsumeBool() ? ids::kBaseJumpText : ids::kDumpJumpText,
                        HexText(in, in.ConsumeIntegral<std::uint32_t>()));
            h.dialog.OnButtonClicked(in.ConsumeBool() ? ids::kBaseJumpButton : ids::kDumpJumpButton);
            break;
        case 10:
            h.host.Type(ids::kQuickExorText, HexText(in, 0xFF));
            h.dialog.OnButtonClicked(ids::kQuickExorButton);
            break;
        case 11:
            h.host.CheckRadio(ids::kEndian16, ids::kEndian32, in.ConsumeIntegralInRange(-1, 2));
            h.dialog.OnButtonClicked(ids::kEndianButton);
            break;
        case 12: h.dialog.OnButtonClicked(ids::kSwapButton); break;
        case 13: Search(h, in); break;
        case 14:
            ScriptSave(h, in);
            if (in.ConsumeBool()) {
                h.dialog.OnButtonClicked(ids::kSaveDumpButton);
            } else {
                h.dialog.OnKeyDown(FilterKey::F3);
            }
            h.host.saveAnswers.clear();
            break;
        case 15:
            h.host.Type(ids::kMemo, h.host.ControlText(ids::kMemo) + in.ConsumeRandomLengthString(16));
            h.dialog.OnEditChanged(in.ConsumeBool() ? ids::kMemo : ids::kAreaEnd);
            break;
        case 16: h.dialog.OnButtonClicked(ids::kLogClearButton); break;
        case 17: h.host.SetCheckState(ids::kSyncScroll, in.ConsumeBool()); break;
        case 18:
            if (in.ConsumeBool()) {
                // Mode fields out of their groups' range, as no click can make them; a pull
                // that stops at an over-long text leaves the later ones in place.
                DialogFields& f = h.dialog.fields();
                f.maskMode = in.ConsumeIntegral<std::int32_t>();
                f.stripeMode = in.ConsumeIntegral<std::int32_t>();
                f.endianMode = in.ConsumeIntegral<std::int32_t>();
                f.syncScroll = in.ConsumeIntegral<std::int32_t>();
                break;
            }
            h.host.Type(in.PickValueInArray({ids::kBaseHex, ids::kBaseText, ids::kDumpHex, ids::kDumpText}),
                        kPaneTyping);
            break;
        default:
            // Anything else the window might route: unknown ids, Enter.
            h.dialog.OnButtonClicked(in.ConsumeIntegralInRange(990, 1040));
            h.dialog.OnMenuCommand(in.ConsumeIntegralInRange(32770, 32775));
            h.dialog.OnOk();
            break;
    }
    h.host.messageAnswers.clear();
    h.host.saveAnswers.clear();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    DialogHarness h;
    // The break chord comes after a scripted number of key queries in every command, so a
    // search with step 0 ends; Shift may be reported alone for a while first.
    int breakAt = 0;
    int shiftFrom = 0;
    h.host.keyState = [&](PolledKey key, int before) {
        return key == PolledKey::Shift ? before >= shiftFrom : before >= breakAt;
    };
    int pollBreakAt = 0;
    h.host.breakRequested = [&](int before) { return before >= pollBreakAt; };
    h.host.codePage = in.ConsumeBool() ? 932 : 1252;
    for (int step = 0; step < kMaxSteps && in.remaining_bytes() > 0; ++step) {
        shiftFrom = h.host.keyQueries + in.ConsumeIntegralInRange(0, 8);
        breakAt = shiftFrom + in.ConsumeIntegralInRange(0, 8);
        pollBreakAt = in.ConsumeBool() ? h.host.progressPolls + in.ConsumeIntegralInRange(0, 4) : 1 << 30;
        if (in.ConsumeIntegralInRange(0, 40) == 0) {
            // Escape: everything is released and the dialog ends.
            h.dialog.OnCancel();
            CheckInvariants(h);
            Require(h.host.endedWith.has_value() && h.dialog.workspace().Base().empty() &&
                        h.dialog.workspace().dumpLength() == 0,
                    "closing releases the workspace");
            break;
        }
        Step(h, in);
        CheckInvariants(h);
    }
    return 0;
}
