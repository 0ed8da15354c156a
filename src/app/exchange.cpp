// The exchange table and the two sweeps that move every field to or from its control.
#include <array>

#include "app/main_dialog.h"

namespace vesperine {
namespace {

enum class Exchange { Binding, Text, LimitedText, Radio, Check };

struct ExchangeRow {
    int id;  // the control, or a radio group's first button
    Exchange kind;
    std::string DialogFields::*text = nullptr;
    std::int32_t DialogFields::*number = nullptr;
    int lastId = 0;  // a radio group's last button
};

constexpr int kLimit = 8;

using F = DialogFields;
const std::array<ExchangeRow, 23> kExchangeTable{{
    {ids::kDumpScrollBar, Exchange::Binding},
    {ids::kBaseScrollBar, Exchange::Binding},
    {ids::kBasePath, Exchange::Text, &F::basePath},
    {ids::kMaskPath, Exchange::Text, &F::maskPath},
    {ids::kMaskNothing, Exchange::Radio, nullptr, &F::maskMode, ids::kMaskReplace},
    {ids::kStripeFull, Exchange::Radio, nullptr, &F::stripeMode, ids::kStripeEven},
    {ids::kBaseHex, Exchange::Text, &F::baseHex},
    {ids::kBaseText, Exchange::Text, &F::baseText},
    {ids::kDumpHex, Exchange::Text, &F::dumpHex},
    {ids::kDumpText, Exchange::Text, &F::dumpText},
    {ids::kAreaStart, Exchange::LimitedText, &F::areaStart},
    {ids::kAreaEnd, Exchange::LimitedText, &F::areaEnd},
    {ids::kDumpSize, Exchange::Text, &F::dumpSizeText},
    {ids::kDumpCrc, Exchange::Text, &F::dumpCrcText},
    {ids::kBaseJumpText, Exchange::LimitedText, &F::baseJumpText},
    {ids::kDumpJumpText, Exchange::LimitedText, &F::dumpJumpText},
    {ids::kQuickExorText, Exchange::LimitedText, &F::quickXorText},
    {ids::kSyncScroll, Exchange::Check, nullptr, &F::syncScroll},
    {ids::kEndian16, Exchange::Radio, nullptr, &F::endianMode, ids::kEndian32},
    {ids::kSearchSize, Exchange::LimitedText, &F::searchSizeText},
    {ids::kSearchCrc, Exchange::LimitedText, &F::searchCrcText},
    {ids::kSearchStep, Exchange::LimitedText, &F::searchStepText},
    {ids::kMemo, Exchange::Text, &F::logText},
}};

// Clears the sweep flag on every way out, so change notifications are heard again.
class SweepGuard {
public:
    explicit SweepGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~SweepGuard() { flag_ = false; }
    SweepGuard(const SweepGuard&) = delete;
    SweepGuard& operator=(const SweepGuard&) = delete;

private:
    bool& flag_;
};

}  // namespace

void MainDialog::PushToControls() {
    const SweepGuard guard(sweeping_);
    for (const ExchangeRow& row : kExchangeTable) {
        switch (row.kind) {
            case Exchange::Binding: break;  // scroll bars are reached by id; nothing to bind
            case Exchange::Text: host_.SetControlText(row.id, fields_.*row.text); break;
            case Exchange::LimitedText:
                host_.SetControlText(row.id, fields_.*row.text);
                host_.LimitText(row.id, kLimit);
                break;
            case Exchange::Radio: host_.CheckRadio(row.id, row.lastId, fields_.*row.number); break;
            case Exchange::Check: host_.SetCheckState(row.id, fields_.*row.number); break;
        }
    }
}

bool MainDialog::PullFromControls() {
    const SweepGuard guard(sweeping_);
    for (const ExchangeRow& row : kExchangeTable) {
        switch (row.kind) {
            case Exchange::Binding: break;
            case Exchange::Text: fields_.*row.text = host_.ControlText(row.id); break;
            case Exchange::LimitedText:
                fields_.*row.text = host_.ControlText(row.id);
                if ((fields_.*row.text).size() > kLimit) {
                    // The rows after this one keep their old values, as the sweep stops here.
                    host_.ShowMessage("Please enter no more than 8 characters.", std::nullopt, MessageButtons::Ok);
                    host_.FocusControl(row.id, true);
                    return false;
                }
                break;
            case Exchange::Radio: fields_.*row.number = host_.CheckedRadio(row.id, row.lastId); break;
            case Exchange::Check: fields_.*row.number = host_.CheckState(row.id); break;
        }
    }
    return true;
}

}  // namespace vesperine
