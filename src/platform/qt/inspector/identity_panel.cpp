// The Identity panel: the DAT files the person keeps (remembered), and what the subject and its views match in them.
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>
#include <optional>

#include "inspector/subject.h"
#include "platform/qt/inspector/copy_table.h"
#include "platform/qt/inspector/inspector_services.h"
#include "platform/qt/inspector/panel.h"
#ifdef VESPERINE_HAVE_DAT
#include "board/board.h"
#include "dat/dat_reader.h"
#include "dat/identify.h"
#include "diagnosis/repair.h"
#include "inspector/board_model.h"
#include "inspector/identity_model.h"
#include "inspector/repair_model.h"
#endif

namespace vesperine::qt::inspector {

namespace {

#ifdef VESPERINE_HAVE_DAT

const char* const kDatsKey = "inspector/dats";

// Thrown from Identify's progress report to break it off: it has no break of its own.
struct BrokenOff {};

using vesperine::inspector::CrcMiss;

class IdentityPanel final : public InspectorPanel {
public:
    explicit IdentityPanel(InspectorServices& services) : InspectorPanel(services) {
        services.AddUnsavedQuery([this] {
            return repaired_ && !repairSaved_ ? QStringLiteral("a mended copy (Identity) not yet saved") : QString();
        });
        auto* layout = new QVBoxLayout(this);
        auto* datRow = new QHBoxLayout;
        dats_ = new QListWidget(this);
        dats_->setObjectName(QStringLiteral("datList"));
        dats_->setMaximumHeight(110);
        dats_->addItems(QSettings().value(QString::fromLatin1(kDatsKey)).toStringList());
        auto* buttons = new QVBoxLayout;
        auto* add = new QPushButton(QStringLiteral("&Add DAT..."), this);
        add->setObjectName(QStringLiteral("addDat"));
        remove_ = new QPushButton(QStringLiteral("Remo&ve DAT"), this);
        remove_->setObjectName(QStringLiteral("removeDat"));
        // Only what the person chose is removed: nothing chosen, nothing to remove.
        remove_->setEnabled(false);
        buttons->addWidget(add);
        buttons->addWidget(remove_);
        buttons->addStretch(1);
        datRow->addWidget(dats_, 1);
        datRow->addLayout(buttons);
        summary_ = new QLabel(this);
        summary_->setWordWrap(true);
        summary_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        matches_ = new CopyTable({QStringLiteral("View"), QStringLiteral("Result"), QStringLiteral("ROM"),
                                  QStringLiteral("DAT"), QStringLiteral("Details")},
                                 this);
        matches_->setSelectionMode(QAbstractItemView::SingleSelection);
        auto* mendRow = new QHBoxLayout;
        mendCrc_ = new QPushButton(QStringLiteral("Mend &with this CRC"), this);
        mendCrc_->setObjectName(QStringLiteral("mendWithCrc"));
        mendCrc_->setEnabled(false);
        mendCrc_->setToolTip(
            QStringLiteral("Choose a near miss of the whole file whose CRC-32 differs: its CRC goes "
                           "to the Reads panel's mend, or without further reads to a repair of one "
                           "or two flipped bits."));
        saveRepair_ = new QPushButton(QStringLiteral("Save me&nded copy..."), this);
        saveRepair_->setObjectName(QStringLiteral("saveRepair"));
        saveRepair_->setEnabled(false);
        mendRow->addWidget(mendCrc_);
        mendRow->addWidget(saveRepair_);
        mendRow->addStretch(1);
        repairText_ = new QLabel(this);
        repairText_->setObjectName(QStringLiteral("repairText"));
        repairText_->setWordWrap(true);
        repairText_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        auto* datLabel = new QLabel(QStringLiteral("DA&T files (remembered):"), this);
        datLabel->setBuddy(dats_);
        layout->addWidget(datLabel);
        layout->addLayout(datRow);
        layout->addWidget(summary_);
        // The table's own letter: a near miss is chosen there (arrow keys) before it is mended.
        auto* matchesLabel = new QLabel(QStringLiteral("Matches and near mi&sses:"), this);
        matchesLabel->setBuddy(matches_);
        layout->addWidget(matchesLabel);
        layout->addWidget(matches_, 1);
        layout->addLayout(mendRow);
        layout->addWidget(repairText_);
        // The board check takes every subject at once, whichever is chosen.
        auto* boardRow = new QHBoxLayout;
        checkBoard_ = new QPushButton(QStringLiteral("Check as a &board"), this);
        checkBoard_->setObjectName(QStringLiteral("checkBoard"));
        checkBoard_->setToolTip(QString::fromStdString(vesperine::inspector::BoardCheckHint()));
        boardRow->addWidget(checkBoard_);
        boardRow->addStretch(1);
        layout->addLayout(boardRow);
        boardReport_ = new QPlainTextEdit(this);
        boardReport_->setObjectName(QStringLiteral("boardReport"));
        boardReport_->setReadOnly(true);
        // The report's columns line up (states padded, mends indented): kept whole, not wrapped.
        boardReport_->setLineWrapMode(QPlainTextEdit::NoWrap);
        boardReport_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        boardReport_->setPlaceholderText(QStringLiteral("vesperine-cli board --write DIR writes the verified set."));
        layout->addWidget(boardReport_, 1);
        connect(checkBoard_, &QPushButton::clicked, this, [this] { CheckBoard(); });
        connect(matches_, &QTableWidget::itemSelectionChanged, this, [this] {
            const int row = matches_->currentRow();
            mendCrc_->setEnabled(row >= 0 && static_cast<std::size_t>(row) < rowMisses_.size() &&
                                 rowMisses_[static_cast<std::size_t>(row)].whole);
        });
        connect(mendCrc_, &QPushButton::clicked, this, [this] { MendWithCrc(); });
        connect(saveRepair_, &QPushButton::clicked, this, [this] { SaveRepair(); });
        connect(add, &QPushButton::clicked, this, [this] {
            if (const auto path = this->services().ChooseOpenFile())
                ChangeDats([&] { dats_->addItem(ShownPath(*path)); });
        });
        connect(dats_, &QListWidget::itemSelectionChanged, this,
                [this] { remove_->setEnabled(!dats_->selectedItems().isEmpty()); });
        connect(remove_, &QPushButton::clicked, this, [this] {
            const QList<QListWidgetItem*> chosen = dats_->selectedItems();
            if (chosen.isEmpty()) return;
            ChangeDats([&] {
                delete dats_->takeItem(dats_->row(chosen.front()));
                // The list would choose a neighbour by itself: the next removal waits for a choice.
                dats_->setCurrentItem(nullptr);
                dats_->clearSelection();
            });
        });
    }

    void Present(const Subject* subject) override {
        // The report stands while the chooser moves among the same subjects.
        if (this->services().Subjects() != checkedSubjects_) boardReport_->clear();
        matches_->SetRows({});
        rowMisses_.clear();
        mendCrc_->setEnabled(false);
        ClearRepair();
        summary_->clear();
        if (!subject) return;
        if (dats_->count() == 0) {
            summary_->setText(QString::fromStdString(vesperine::inspector::NoDatsYet()));
            return;
        }
        if (!index_ && !LoadIndex()) return;
        const std::span<const std::uint8_t> bytes(subject->bytes.data(), subject->bytes.size());
        // Near misses by name go by the file's own name, never the chooser's label ("Base file:
        // ..."); a dump cut by the dialog has no name of its own.
        const std::string fileName =
            subject->dialogDump || subject->path.empty()
                ? std::string()
                : QFile::encodeName(QFileInfo(ShownPath(subject->path)).fileName()).toStdString();
        dat::Identification found;
        std::vector<CrcMiss> misses;
        bool broken = false;
        if (!this->services().RunTask(QStringLiteral("Identifying"),
                                      [&](const ProgressPoll& poll) {
                                          try {
                                              found =
                                                  dat::Identify(bytes, fileName, *index_, true,
                                                                [&poll](std::uint64_t done, std::uint64_t all) {
                                                                    if (poll(Progress{ProgressUnit::Views, done, all}))
                                                                        throw BrokenOff{};
                                                                });
                                              misses = vesperine::inspector::MissesOf(bytes, found, *index_);
                                          } catch (const BrokenOff&) {
                                              broken = true;
                                          }
                                      }) ||
            broken)
            return;
        Fill(found, misses);
    }

private:
    template <typename Change>
    void ChangeDats(const Change& change) {
        change();
        index_.reset();
        boardIndex_.reset();
        boardReport_->clear();
        // At once, not when a subject is next shown: a file that is not a DAT is told now, and
        // is never remembered.
        LoadIndex();
        ShowSubject(subject());
    }

    void RememberDats() {
        QStringList paths;
        for (int k = 0; k < dats_->count(); ++k) paths << dats_->item(k)->text();
        QSettings().setValue(QString::fromLatin1(kDatsKey), paths);
    }

    // Reads every DAT listed into one index, on the worker (a DAT of every machine is hundreds
    // of megabytes). A file that cannot be read, or is not a DAT, is told, taken off the list
    // and no longer remembered. False when a step was cancelled or failed: no index then.
    bool LoadIndex() {
        const QString dropped = QString::fromStdString(vesperine::inspector::DroppedDat());
        std::vector<dat::RomEntry> roms;
        romDats_.clear();
        for (int k = 0; k < dats_->count();) {
            const QString shown = dats_->item(k)->text();
            std::optional<ByteBuffer> bytes =
                this->services().ReadFile(QFile::encodeName(shown).toStdString(), dropped);
            if (!bytes && this->services().cancelled()) return false;
            std::optional<dat::DatParse> parse;
            if (bytes) {
                if (!this->services().RunTask(QStringLiteral("Reading DAT files"), [&](const ProgressPoll& /*poll*/) {
                        parse = dat::ReadDat(std::span<const std::uint8_t>(bytes->data(), bytes->size()));
                    }))
                    return false;
                if (parse->error)
                    this->services().Tell(
                        QString::fromStdString(vesperine::inspector::NotADat(shown.toStdString(), *parse->error)));
            }
            if (!parse || parse->error) {
                delete dats_->takeItem(k);
                continue;
            }
            romDats_.insert(romDats_.end(), parse->roms.size(), QFileInfo(shown).fileName().toStdString());
            roms.insert(roms.end(), std::make_move_iterator(parse->roms.begin()),
                        std::make_move_iterator(parse->roms.end()));
            ++k;
        }
        RememberDats();
        std::unique_ptr<dat::DatIndex> index;
        if (!this->services().RunTask(QStringLiteral("Indexing DAT files"), [&](const ProgressPoll& /*poll*/) {
                index = std::make_unique<dat::DatIndex>(std::move(roms));
            }))
            return false;
        index_ = std::move(index);
        return true;
    }

    // Every subject as a chip of one board against the listed DATs' sets, each step on the worker.
    void CheckBoard() {
        boardReport_->clear();
        checkedSubjects_ = this->services().Subjects();
        const std::vector<board::Chip> chips =
            vesperine::inspector::BoardChips(checkedSubjects_, this->services().files());
        if (chips.empty() || dats_->count() == 0) {
            boardReport_->setPlainText(QString::fromStdString(chips.empty() ? vesperine::inspector::NoBoardSubjects()
                                                                            : vesperine::inspector::NoBoardDats()));
            return;
        }
        if (!boardIndex_ && !LoadBoardIndex()) return;
        std::optional<board::BoardResult> result;
        if (!this->services().RunTask(QStringLiteral("Checking as a board"),
                                      [&](const ProgressPoll& poll) {
                                          result =
                                              board::FindBoard(chips, *boardIndex_, InUnits(poll, ProgressUnit::Share));
                                      }) ||
            !result)
            return;
        boardReport_->setPlainText(
            QString::fromStdString(vesperine::inspector::BoardReportText(*result, chips, *boardIndex_)));
    }

    // The listed DATs streamed into one BoardIndex, each read and parsed as a task of its own.
    // False when a step was cancelled or failed (told): no index then.
    bool LoadBoardIndex() {
        dat::DatSets all;
        for (int k = 0; k < dats_->count(); ++k) {
            const QString shown = dats_->item(k)->text();
            const std::string path = QFile::encodeName(shown).toStdString();
            std::optional<dat::DatSets> one;
            ReadStatus status = ReadStatus::Ok;
            if (!this->services().RunTask(QStringLiteral("Reading DAT files"), [&](const ProgressPoll& poll) {
                    one = vesperine::inspector::StreamSets(this->services().files(), path,
                                                           InUnits(poll, ProgressUnit::BytesRead), status);
                }))
                return false;
            if (!one) {
                this->services().Tell(
                    QStringLiteral("%1\n%2").arg(shown, QString::fromUtf8(ReadFailureMessage(status))));
                return false;
            }
            if (one->error) {
                this->services().Tell(
                    QString::fromStdString(vesperine::inspector::BoardDatRefused(shown.toStdString(), *one->error)));
                return false;
            }
            board::AppendSets(all, std::move(*one));
        }
        std::unique_ptr<board::BoardIndex> index;
        if (!this->services().RunTask(QStringLiteral("Indexing DAT files"), [&](const ProgressPoll& /*poll*/) {
                index = std::make_unique<board::BoardIndex>(std::move(all));
            }))
            return false;
        boardIndex_ = std::move(index);
        return true;
    }

    void Fill(const dat::Identification& found, const std::vector<CrcMiss>& misses) {
        vesperine::inspector::IdentityTable table =
            vesperine::inspector::IdentityRows(found, misses, index_->roms(), romDats_);
        matches_->SetRows(QtRows(table.rows));
        rowMisses_ = std::move(table.rowMisses);
        summary_->setText(QString::fromStdString(table.summary));
    }

    // A near miss's CRC goes to the Reads panel's mend when further reads are loaded; without
    // them, to a repair of one or two flipped bits of the inspected bytes, as `vesperine-cli
    // repair --bits 2` does: the fewest flips that have a candidate decide, and only a single
    // candidate of that many is offered for saving.
    void MendWithCrc() {
        const int row = matches_->currentRow();
        if (row < 0 || static_cast<std::size_t>(row) >= rowMisses_.size() || !subject()) return;
        const CrcMiss miss = rowMisses_[static_cast<std::size_t>(row)];
        if (!miss.whole) return;
        ClearRepair();
        if (this->services().GiveCrcToReads(miss.expected)) return;
        const std::span<const std::uint8_t> bytes(subject()->bytes.data(), subject()->bytes.size());
        // The two-bit search's table grows with the dump: past its limit one flipped bit is tried.
        const unsigned maxBits = vesperine::inspector::RepairBitsFor(bytes.size());
        // The search and the mended copy it makes (as large as the dump) both on the worker.
        vesperine::inspector::RepairReport report;
        if (!this->services().RunTask(QStringLiteral("Trying flipped bits"), [&](const ProgressPoll& poll) {
                const diagnosis::RepairResult result =
                    diagnosis::FindBitRepairs(bytes, miss.expected, maxBits, diagnosis::kKeptPairs,
                                              [&poll](std::uint64_t done, std::uint64_t total) {
                                                  return poll(Progress{ProgressUnit::BitsTried, done, total});
                                              });
                report = vesperine::inspector::ReportRepair(result, bytes, miss.expected, maxBits);
            }))
            return;
        ShowRepair(std::move(report), miss.expected);
    }

    void ShowRepair(vesperine::inspector::RepairReport report, std::uint32_t expected) {
        repairText_->setText(QString::fromStdString(report.text));
        if (!report.repaired) return;
        repaired_ = std::move(report.repaired);
        repairedCrc_ = expected;
        repairSaved_ = false;
        saveRepair_->setEnabled(true);
    }

    void SaveRepair() {
        if (!repaired_) return;
        const std::span<const std::uint8_t> repaired(repaired_->data(), repaired_->size());
        if (const auto refusal = vesperine::inspector::CheckRepair(repaired, repairedCrc_)) {
            this->services().Tell(QString::fromStdString(*refusal));
            return;
        }
        std::vector<std::string> inputs;
        if (subject() && !subject()->path.empty()) inputs.push_back(subject()->path);
        if (this->services().SaveCopy(repaired, inputs)) repairSaved_ = true;
    }

    void ClearRepair() {
        repaired_.reset();
        saveRepair_->setEnabled(false);
        repairText_->clear();
    }

    QListWidget* dats_ = nullptr;
    QPushButton* remove_ = nullptr;
    QPushButton* mendCrc_ = nullptr;
    QPushButton* saveRepair_ = nullptr;
    QLabel* repairText_ = nullptr;
    std::vector<CrcMiss> rowMisses_;    // each row's CRCs; expected == got where there is nothing to mend
    std::vector<std::string> romDats_;  // the DAT file each ROM of index_ came from
    std::optional<std::vector<std::uint8_t>> repaired_;
    bool repairSaved_ = false;
    std::uint32_t repairedCrc_ = 0;
    QLabel* summary_ = nullptr;
    CopyTable* matches_ = nullptr;
    std::unique_ptr<dat::DatIndex> index_;
    QPushButton* checkBoard_ = nullptr;
    QPlainTextEdit* boardReport_ = nullptr;
    std::vector<const Subject*> checkedSubjects_;  // those the report shown was made of
    std::unique_ptr<board::BoardIndex> boardIndex_;
};

#else

// A build without the DAT module (VESPERINE_CLI=OFF) says so in the panel's place.
class IdentityPanel final : public InspectorPanel {
public:
    explicit IdentityPanel(InspectorServices& services) : InspectorPanel(services) {
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(new QLabel(QStringLiteral("Identification by DAT files is not built into this program "
                                                    "(it was built with VESPERINE_CLI=OFF)."),
                                     this));
    }
    void Present(const Subject* /*subject*/) override {}
};

#endif

}  // namespace

InspectorPanel* MakeIdentityPanel(InspectorServices& services) { return new IdentityPanel(services); }

}  // namespace vesperine::qt::inspector
