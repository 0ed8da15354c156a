// The Checksums panel: size and digests, the programmer sums, and the header check of a known system.
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QVBoxLayout>
#include <array>
#include <optional>

#include "base/crc32.h"
#include "base/format.h"
#include "checksum/catalogue.h"
#include "checksum/crc.h"
#include "checksum/sums.h"
#include "headers/header_check.h"
#include "inspector/subject.h"
#include "platform/qt/inspector/copy_table.h"
#include "platform/qt/inspector/inspector_services.h"
#include "platform/qt/inspector/panel.h"
#ifdef VESPERINE_HAVE_DAT
#include "dat/digests.h"
#include "dat/rom_fields.h"
#endif

namespace vesperine::qt::inspector {

namespace {

// Hashing goes piece by piece so that it can tell its progress and break off between pieces;
// a multiple of 4, so each piece's byte lanes are the file's.
constexpr std::size_t kPiece = std::size_t{4} << 20;

// The catalogue CRCs the person chose, remembered between runs, and those shown at first.
const char* const kModelsKey = "inspector/crcModels";
const char* const kDefaultModels = "CRC-16/ARC CRC-16/XMODEM CRC-32/MPEG-2";

struct ChosenCrc {
    QString name;
    std::optional<checksum::CrcEngine> engine;  // nothing for a name the catalogue lacks
    std::uint64_t reg = 0;
};

struct Sums {
    std::uint32_t crc32 = 0;
    std::vector<ChosenCrc> crcs;
    checksum::LaneTotals lanes;
    std::array<QString, 3> digests;  // MD5, SHA-1, SHA-256 in lower-case hex
    headers::HeaderReport header;
};

// Everything the panel shows, in one pass over the bytes; nothing when broken off.
std::optional<Sums> ComputeSums(std::span<const std::uint8_t> bytes, const QStringList& models,
                                const ProgressPoll& poll) {
    Sums sums;
    for (const QString& name : models) {
        ChosenCrc& chosen = sums.crcs.emplace_back(ChosenCrc{name, std::nullopt, 0});
        if (const checksum::CrcModel* model = checksum::FindCrcModel(name.toStdString())) {
            chosen.engine.emplace(*model);
            chosen.reg = chosen.engine->Start();
        }
    }
#ifdef VESPERINE_HAVE_DAT
    dat::DigestStream digests;
#endif
    for (std::size_t done = 0; done < bytes.size(); done += kPiece) {
        if (poll(Progress{ProgressUnit::BytesHashed, done, bytes.size()})) return std::nullopt;
        const auto piece = bytes.subspan(done, std::min(kPiece, bytes.size() - done));
        sums.crc32 = Crc32(piece, sums.crc32);
        const checksum::LaneTotals lanes = checksum::TotalLanes(piece);
        for (std::size_t k = 0; k < 4; ++k) sums.lanes.lane[k] += lanes.lane[k];
        for (ChosenCrc& chosen : sums.crcs)
            if (chosen.engine) chosen.reg = chosen.engine->Update(chosen.reg, piece);
#ifdef VESPERINE_HAVE_DAT
        digests.Update(piece);
#endif
    }
#ifdef VESPERINE_HAVE_DAT
    const dat::Digests d = digests.Finish();
    sums.digests = {QString::fromStdString(dat::HexOf(d.md5)), QString::fromStdString(dat::HexOf(d.sha1)),
                    QString::fromStdString(dat::HexOf(d.sha256))};
#else
    sums.digests.fill(QStringLiteral("not built (this build has no DAT module: VESPERINE_CLI=OFF)"));
#endif
    sums.header = headers::CheckHeader(bytes);
    return sums;
}

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
            QSettings().value(QString::fromLatin1(kModelsKey), QString::fromLatin1(kDefaultModels)).toString(), this);
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
        std::optional<Sums> sums;
        const QStringList models =
            models_->text().split(QRegularExpression(QStringLiteral("[\\s,]+")), Qt::SkipEmptyParts);
        if (!this->services().RunTask(QStringLiteral("Hashing"),
                                      [&](const ProgressPoll& poll) { sums = ComputeSums(bytes, models, poll); }) ||
            !sums)
            return;
        Fill(bytes.size(), *sums);
    }

private:
    void Fill(std::size_t size, const Sums& sums) {
        boxes_[0]->setText(QStringLiteral("%1 (0x%2)")
                               .arg(Counted(size, "byte", "bytes"), QString::fromStdString(HexDigits(size, 8))));
        boxes_[1]->setText(QString::fromStdString(HexDigits(sums.crc32, 8)));
        for (std::size_t k = 0; k < 3; ++k) boxes_[k + 2]->setText(sums.digests[k]);
        std::vector<QStringList> rows;
        for (const checksum::SumKind& kind : checksum::SumRows())
            rows.push_back({QString::fromStdString(checksum::SumName(kind)),
                            QString::fromStdString(
                                HexDigits(checksum::SumOf(sums.lanes, kind), static_cast<int>(kind.width / 4)))});
        for (const ChosenCrc& chosen : sums.crcs) {
            if (!chosen.engine) {
                rows.push_back({chosen.name, QStringLiteral("not in the catalogue")});
                continue;
            }
            const checksum::CrcModel& model = chosen.engine->Model();
            rows.push_back({QString::fromLatin1(model.name.data(), static_cast<qsizetype>(model.name.size())),
                            QString::fromStdString(ChecksumDigits(chosen.engine->Finish(chosen.reg), model.width))});
        }
        sums_->SetRows(rows);
        FillHeader(sums.header);
    }

    // prefix: what the report is of, when it is not the subject itself.
    void FillHeader(const headers::HeaderReport& report, const QString& prefix = {}) {
        if (!report.known()) {
            system_->setText(
                QStringLiteral("No known system (tried SNES, Mega Drive, Game Boy, Game Boy Advance, "
                               "Nintendo 64 and Williams WPC)."));
            return;
        }
        QString text = QString::fromStdString(report.system);
        if (!report.layout.empty()) text += QStringLiteral(", ") + QString::fromStdString(report.layout);
        if (!report.problem.empty()) text += QStringLiteral(": ") + QString::fromStdString(report.problem);
        else text += report.good() ? QStringLiteral(": every checksum holds.") : QStringLiteral(": checksums wrong.");
        if (report.doubtful) {
            text += QStringLiteral("\nRecognised by marks that differ from its own: ") +
                    QString::fromStdString(report.recognition) + QStringLiteral(". No fix is offered for it.");
        }
        for (const std::string& note : report.notes) text += QStringLiteral("\n") + QString::fromStdString(note);
        system_->setText(prefix + text);
        std::vector<QStringList> rows;
        for (const headers::FieldCheck& field : report.fields) {
            const int digits = static_cast<int>(field.width * 2);
            rows.push_back({QString::fromStdString(field.field) +
                                (field.good() ? QStringLiteral(" \u2714") : QStringLiteral(" \u2716 wrong")),
                            QString::fromStdString(HexText(field.offset, 6)),
                            QString::fromStdString(HexDigits(field.stored, digits)),
                            QString::fromStdString(HexDigits(field.computed, digits)),
                            QString::fromStdString(field.range)});
        }
        fields_->SetRows(rows);
        // As the command line: a fix only where all it rests on is known (FixHeader refuses the rest).
        saveFixed_->setEnabled(report.problem.empty() && !report.good() && !report.doubtful);
    }

    void SaveFixedCopy() {
        const Subject* shown = subject();
        if (!shown) return;
        headers::FixResult fixed;
        const std::span<const std::uint8_t> bytes(shown->bytes.data(), shown->bytes.size());
        if (!this->services().RunTask(QStringLiteral("Fixing the header"),
                                      [&](const ProgressPoll& /*poll*/) { fixed = headers::FixHeader(bytes); }))
            return;
        if (!fixed.refusal.empty()) {
            this->services().Tell(QStringLiteral("Nothing fixed: %1").arg(QString::fromStdString(fixed.refusal)));
            return;
        }
        std::vector<std::string> inputs;
        if (!shown->path.empty()) inputs.push_back(shown->path);
        if (!this->services().SaveCopy(fixed.bytes, inputs)) return;
        // The table now shows the copy as saved: a sum over the header (Game Boy's global one)
        // changes with the fields the fix set.
        FillHeader(fixed.after, QStringLiteral("The saved copy: "));
        this->services().Tell(QStringLiteral("Saved a copy with every checksum of the %1 header set.")
                                  .arg(QString::fromStdString(fixed.after.system)));
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
