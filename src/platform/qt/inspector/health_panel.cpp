// The Health panel: the diagnosis of the subject, most serious first, each finding with its meaning at the programmer.
#include <QHeaderView>
#include <QLabel>
#include <QVBoxLayout>
#include <array>

#include "base/format.h"
#include "diagnosis/diagnose.h"
#include "inspector/subject.h"
#include "platform/qt/inspector/copy_table.h"
#include "platform/qt/inspector/inspector_services.h"
#include "platform/qt/inspector/panel.h"

namespace vesperine::qt::inspector {

namespace {

using diagnosis::FindingKind;

// What each kind of finding means to a person at the programmer, and what to do about it.
struct Meaning {
    FindingKind kind;
    const char* text;
};
constexpr std::array<Meaning, 8> kMeanings{{
    {FindingKind::DataLine,
     "A data line never changed: a bent or open pin, a dirty socket contact, a line shorted to VCC or GND, or a "
     "dead output of the chip. Reseat the chip and read again."},
    {FindingKind::AddressLine,
     "An address line does nothing: it is open or shorted, so part of the chip was never read. When it is the top "
     "line, a chip half the size of the read may have been dumped."},
    {FindingKind::Blank, "An erased chip, or no chip answered (FF: the bus floats high; 00: nothing drives it)."},
    {FindingKind::Constant, "Every byte is the same: no chip answered, or a data bus held at one value."},
    {FindingKind::Overdump, "The same image several times: the chip is smaller than what was read. Keep one copy."},
    {FindingKind::ByteLane,
     "One lane of a 16-bit board (or one chip of a pair) holds nothing: an unused lane, or that chip was not read."},
    {FindingKind::Fill, "A region of FF (erased) or 00. Real ROMs have them; it is not a fault."},
    {FindingKind::TooShort, "Fewer than 16 words: nothing can be told from so few bytes."},
}};

QString MeaningOf(FindingKind kind) {
    for (const Meaning& meaning : kMeanings)
        if (meaning.kind == kind) return QString::fromLatin1(meaning.text);
    return {};
}

QString EvidenceText(const diagnosis::Finding& finding) {
    QStringList parts;
    for (const diagnosis::Evidence& evidence : finding.evidence) {
        const std::string value =
            evidence.hexDigits > 0 ? HexText(evidence.value, evidence.hexDigits) : WithThousands(evidence.value);
        parts << QStringLiteral("%1 %2").arg(QString::fromStdString(evidence.name), QString::fromStdString(value));
    }
    return parts.join(QStringLiteral(", "));
}

QString Mark(diagnosis::Severity severity) {
    switch (severity) {
        case diagnosis::Severity::Fault: return QStringLiteral("\u2716 FAULT");
        case diagnosis::Severity::Warning: return QStringLiteral("\u26A0 WARNING");
        case diagnosis::Severity::Info: break;
    }
    return QStringLiteral("\u2139 info");
}

QColor MarkColour(diagnosis::Severity severity) {
    switch (severity) {
        case diagnosis::Severity::Fault: return {0xF4, 0xB6, 0xB6};
        case diagnosis::Severity::Warning: return {0xF8, 0xE0, 0xA0};
        case diagnosis::Severity::Info: break;
    }
    return {0xD8, 0xE8, 0xF8};
}

class HealthPanel final : public InspectorPanel {
public:
    explicit HealthPanel(InspectorServices& services) : InspectorPanel(services) {
        auto* layout = new QVBoxLayout(this);
        summary_ = new QLabel(this);
        summary_->setWordWrap(true);
        summary_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        // The finding, its evidence and its meaning share one wrapped cell, so that nothing
        // needs a sideways scroll to be read.
        table_ = new CopyTable({QStringLiteral("Severity"), QStringLiteral("Where"),
                                QStringLiteral("Finding, evidence, and what it means at the programmer")},
                               this);
        table_->setWordWrap(true);
        table_->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
        layout->addWidget(summary_);
        layout->addWidget(table_, 1);
    }

    void Present(const Subject* subject) override {
        table_->SetRows({});
        if (!subject) {
            // Alone (vesperine --inspect) there is no dialog to press F5 in.
            summary_->setText(
                services().hasDialog()
                    ? QStringLiteral("Nothing to inspect: press F5 in the dialog to inspect its base file "
                                     "and dump, open a file with \"Open file...\" or drop one here.")
                    : QStringLiteral("Nothing to inspect: open a file with \"Open file...\" or drop one "
                                     "here."));
            return;
        }
        const std::span<const std::uint8_t> bytes(subject->bytes.data(), subject->bytes.size());
        diagnosis::Diagnosis result;
        if (!services().RunTask(QStringLiteral("Diagnosing"),
                                [&](const ProgressPoll& /*poll*/) { result = diagnosis::Diagnose(bytes, {}); }))
            return;
        Fill(result);
    }

private:
    void Fill(const diagnosis::Diagnosis& result) {
        summary_->setText(result.NeedsAttention()
                              ? QStringLiteral("%1, whole file and both byte lanes: look at the findings below, "
                                               "most serious first.")
                                    .arg(Counted(result.length, "byte", "bytes"))
                              : QStringLiteral("%1, whole file and both byte lanes: no faults found.")
                                    .arg(Counted(result.length, "byte", "bytes")));
        std::vector<QStringList> rows;
        for (const diagnosis::Finding& finding : result.findings)
            rows.push_back(
                {Mark(finding.severity),
                 finding.scope.empty() ? QStringLiteral("whole file") : QString::fromStdString(finding.scope),
                 QStringLiteral("%1\nEvidence: %2\n%3")
                     .arg(QString::fromStdString(finding.text), EvidenceText(finding), MeaningOf(finding.kind))});
        table_->SetRows(rows);
        for (int r = 0; r < table_->rowCount(); ++r)
            table_->item(r, 0)->setBackground(MarkColour(result.findings[static_cast<std::size_t>(r)].severity));
    }

    QLabel* summary_ = nullptr;
    CopyTable* table_ = nullptr;
};

}  // namespace

InspectorPanel* MakeHealthPanel(InspectorServices& services) { return new HealthPanel(services); }

}  // namespace vesperine::qt::inspector
