// The Checksums panel: size and digests, the programmer sums, and the header check of a known system.
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>
#include <array>
#include <optional>

#include "headers/header_check.h"
#include "inspector/checksums_model.h"
#include "inspector/subject.h"
#include "platform/qt/inspector/copy_table.h"
#include "platform/qt/inspector/inspector_services.h"
#include "platform/qt/inspector/panel.h"

namespace vesperine::qt::inspector {

namespace {

// The catalogue CRCs the person chose, remembered between runs.
const char* const kModelsKey = "inspector/crcModels";

class ChecksumsPanel final : public InspectorPanel {
public:
    explicit ChecksumsPanel(InspectorServices& services) : InspectorPanel(services) {
        auto* layout = new QVBoxLayout(this);
        auto* form = new QFormLayout;
        // Alt letters apart from the window's (I, O, H, C, D, R, M) and this panel's button (S).
        const char* const names[] = {"Si&ze:", "CRC-&32:", "MD&5:", "SHA-&1:", "SHA-25&6:"};
        for (std::size_t k = 0; k < boxes_.size(); ++k) {
            boxes_[k] = MakeValueBox(this);
            form->addRow(QString::fromLatin1(names[k]), boxes_[k]);
        }
        models_ = new QLineEdit(
            QSettings()
                .value(QString::fromLatin1(kModelsKey), QString::fromLatin1(vesperine::inspector::kDefaultCrcModels))
                .toString(),
            this);
        models_->setObjectName(QStringLiteral("crcModels"));
        models_->setToolTip(
            QStringLiteral("Names from the CRC catalogue (as vesperine-cli checksum --list shows "
                           "them), separated by spaces; Enter computes them"));
        form->addRow(QStringLiteral("Catalo&gue CRCs:"), models_);
        layout->addLayout(form);
        auto* lower = new QHBoxLayout;
        auto* sumsBox = new QGroupBox(QStringLiteral("Programmer sums and catalogue CRCs"), this);
        auto* sumsLayout = new QVBoxLayout(sumsBox);
        sums_ = new CopyTable({QStringLiteral("Sum"), QStringLiteral("Value")}, sumsBox);
        sumsLayout->addWidget(sums_);
        auto* headerBox = new QGroupBox(QStringLiteral("Header checksums"), this);
        auto* headerLayout = new QVBoxLayout(headerBox);
        system_ = new QLabel(headerBox);
        system_->setWordWrap(true);
        system_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        fields_ = new CopyTable({QStringLiteral("Field"), QStringLiteral("Offset"), QStringLiteral("Stored"),
                                 QStringLiteral("Computed"), QStringLiteral("Covers")},
                                headerBox);
        fields_->setObjectName(QStringLiteral("headerFields"));
        fields_->setWordWrap(true);
        // Rows grow with their wrapped "Covers" text whenever the columns change width, not
        // only when filled (the table may not have its final width yet then).
        fields_->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
        saveFixed_ = new QPushButton(QStringLiteral("&Save fixed copy..."), headerBox);
        saveFixed_->setObjectName(QStringLiteral("saveFixedCopy"));
        headerLayout->addWidget(system_);
        headerLayout->addWidget(fields_, 1);
        headerLayout->addWidget(saveFixed_, 0, Qt::AlignRight);
        // The sums as wide as their longest name and value, the header table the rest: its
        // "Covers" column wraps there rather than being scrolled out of sight.
        sums_->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
        sums_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        lower->addWidget(sumsBox, 0);
        lower->addWidget(headerBox, 1);
        layout->addLayout(lower, 1);
        connect(saveFixed_, &QPushButton::clicked, this, [this] { SaveFixedCopy(); });
        connect(models_, &QLineEdit::returnPressed, this, [this] {
            QSettings().setValue(QString::fromLatin1(kModelsKey), models_->text());
            ShowSubject(subject());
        });
    }

    void Present(const Subject* subject) override {
        for (QLineEdit* box : boxes_) box->clear();
        sums_->SetRows({});
        fields_->SetRows({});
        system_->clear();
        saveFixed_->setEnabled(false);
        if (!subject) return;
        const std::span<const std::uint8_t> bytes(subject->bytes.data(), subject->bytes.size());
        std::optional<vesperine::inspector::Sums> sums;
        const std::vector<std::string> models = vesperine::inspector::SplitModelNames(models_->text().toStdString());
        if (!this->services().RunTask(QStringLiteral("Hashing"),
                                      [&](const ProgressPoll& poll) {
                                          sums = vesperine::inspector::ComputeSums(bytes, models,
                                                                                   InUnits(poll, ProgressUnit::Share));
                                      }) ||
            !sums)
            return;
        Fill(*sums);
    }

private:
    void Fill(const vesperine::inspector::Sums& sums) {
        boxes_[0]->setText(QString::fromStdString(vesperine::inspector::SizeBoxText(sums.size)));
        boxes_[1]->setText(Hex8(sums.crc32));
        for (std::size_t k = 0; k < 3; ++k) boxes_[k + 2]->setText(QString::fromStdString(sums.digests[k]));
        sums_->SetRows(QtRows(vesperine::inspector::SumsRows(sums)));
        FillHeader(sums.header);
    }

    // prefix: what the report is of, when it is not the subject itself.
    void FillHeader(const headers::HeaderReport& report, std::string_view prefix = {}) {
        system_->setText(QString::fromStdString(vesperine::inspector::HeaderText(report, prefix)));
        if (!report.known()) return;
        fields_->SetRows(QtRows(vesperine::inspector::HeaderRows(report)));
        saveFixed_->setEnabled(vesperine::inspector::CanFixHeader(report));
    }

    void SaveFixedCopy() {
        const Subject* shown = subject();
        if (!shown) return;
        std::optional<headers::FixResult> result;
        const std::span<const std::uint8_t> bytes(shown->bytes.data(), shown->bytes.size());
        if (!this->services().RunTask(QStringLiteral("Fixing the header"),
                                      [&](const ProgressPoll& poll) {
                                          result = headers::FixHeader(bytes, {}, InUnits(poll, ProgressUnit::Share));
                                      }) ||
            !result)
            return;
        const headers::FixResult& fixed = *result;
        if (!fixed.refusal.empty()) {
            this->services().Tell(QString::fromStdString(vesperine::inspector::NothingFixed(fixed.refusal)));
            return;
        }
        std::vector<std::string> inputs;
        if (!shown->path.empty()) inputs.push_back(shown->path);
        if (!this->services().SaveCopy(fixed.bytes, inputs)) return;
        // The table now shows the copy as saved: a sum over the header (Game Boy's global one)
        // changes with the fields the fix set.
        FillHeader(fixed.after, "The saved copy: ");
        this->services().Tell(QString::fromStdString(vesperine::inspector::SavedFixedCopy(fixed.after)));
    }

    std::array<QLineEdit*, 5> boxes_{};
    QLineEdit* models_ = nullptr;
    CopyTable* sums_ = nullptr;
    QLabel* system_ = nullptr;
    CopyTable* fields_ = nullptr;
    QPushButton* saveFixed_ = nullptr;
};

}  // namespace

InspectorPanel* MakeChecksumsPanel(InspectorServices& services) { return new ChecksumsPanel(services); }

}  // namespace vesperine::qt::inspector
