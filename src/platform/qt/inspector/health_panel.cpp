// The Health panel: the diagnosis of the subject, most serious first, each finding with its meaning at the programmer.
#include <QHeaderView>
#include <QLabel>
#include <QVBoxLayout>

#include "diagnosis/diagnose.h"
#include "inspector/health_model.h"
#include "inspector/subject.h"
#include "platform/qt/inspector/copy_table.h"
#include "platform/qt/inspector/inspector_services.h"
#include "platform/qt/inspector/panel.h"

namespace vesperine::qt::inspector {

namespace {

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
            summary_->setText(QString::fromStdString(vesperine::inspector::NothingToInspect(services().hasDialog())));
            return;
        }
        summary_->clear();  // not "Nothing to inspect" while the diagnosis runs
        const std::span<const std::uint8_t> bytes(subject->bytes.data(), subject->bytes.size());
        std::optional<diagnosis::Diagnosis> result;
        if (!services().RunTask(QStringLiteral("Diagnosing"),
                                [&](const ProgressPoll& poll) {
                                    result = diagnosis::Diagnose(bytes, {}, InUnits(poll, ProgressUnit::Share));
                                }) ||
            !result)
            return;
        Fill(*result);
    }

private:
    void Fill(const diagnosis::Diagnosis& result) {
        summary_->setText(QString::fromStdString(vesperine::inspector::HealthSummary(result)));
        table_->SetRows(QtRows(vesperine::inspector::HealthRows(result)));
        for (int r = 0; r < table_->rowCount(); ++r)
            table_->item(r, 0)->setBackground(MarkColour(result.findings[static_cast<std::size_t>(r)].severity));
    }

    QLabel* summary_ = nullptr;
    CopyTable* table_ = nullptr;
};

}  // namespace

InspectorPanel* MakeHealthPanel(InspectorServices& services) { return new HealthPanel(services); }

}  // namespace vesperine::qt::inspector
