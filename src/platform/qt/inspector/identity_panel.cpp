// The Identity panel: the DAT files the person keeps (remembered), and what the subject and its views match in them.
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
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
#include "analysis/views.h"
#include "base/crc32.h"
#include "base/format.h"
#include "dat/dat_reader.h"
#include "dat/identify.h"
#include "diagnosis/repair.h"
#endif

namespace vesperine::qt::inspector {

namespace {

#ifdef VESPERINE_HAVE_DAT

const char* const kDatsKey = "inspector/dats";

// Thrown from Identify's progress report to break it off: it has no break of its own.
struct BrokenOff {};

QString RomText(const dat::RomEntry& rom) {
    return QStringLiteral("%1 / %2 (%3)")
        .arg(QString::fromStdString(rom.game), QString::fromStdString(rom.name),
             QString::fromLatin1(dat::RomStatusName(rom.status)));
}

// The candidates a repair lists in the panel; the rest are counted.
constexpr std::size_t kListedCandidates = 8;

QString CandidateText(const diagnosis::FlipCandidate& candidate, std::span<const std::uint8_t> bytes) {
    QStringList flips;
    for (const diagnosis::BitPosition& p : candidate.bits)
        flips << QStringLiteral("bit %1 of %2 (%3 -> %4)")
                     .arg(p.bit)
                     .arg(QString::fromStdString(HexText(p.offset, 8)),
                          QString::fromStdString(HexText(bytes[p.offset], 2)),
                          QString::fromStdString(HexText(bytes[p.offset] ^ (1u << p.bit), 2)));
    return flips.join(QStringLiteral(" and "));
}

// A near miss that a repair of the inspected bytes can mend: the whole file, against a ROM whose
// CRC-32 the DAT gives. A view's near miss would need its bytes mapped back to the file's.
struct CrcMiss {
    std::uint32_t expected = 0;
    std::uint32_t got = 0;
    bool whole = false;
};

class IdentityPanel final : public InspectorPanel {
public:
    explicit IdentityPanel(InspectorServices& services) : InspectorPanel(services) {
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
        matches_->SetRows({});
        rowMisses_.clear();
        mendCrc_->setEnabled(false);
        ClearRepair();
        summary_->clear();
        if (!subject) return;
        if (dats_->count() == 0) {
            summary_->setText(
                QStringLiteral("Add a DAT file (Logiqx XML, the bracketed form or a zip of them) to "
                               "identify the dump and its views by it."));
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
                                              found = dat::Identify(
                                                  bytes, fileName, *index_, true,
                                                  [&poll](std::uint64_t done, std::uint64_t all) {
                                                      if (poll(Progress{ProgressUnit::Windows, done, all}))
                                                          throw BrokenOff{};
                                                  });
                                              misses = MissesOf(bytes, found);
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

    // Reads every DAT listed into one index. A file that cannot be read, or is not a DAT, is
    // told, taken off the list and no longer remembered.
    bool LoadIndex() {
        const QString dropped = QStringLiteral("It is taken off the DAT files and no longer remembered.");
        std::vector<dat::RomEntry> roms;
        romDats_.clear();
        for (int k = 0; k < dats_->count();) {
            const QString shown = dats_->item(k)->text();
            std::optional<ByteBuffer> bytes =
                this->services().ReadFile(QFile::encodeName(shown).toStdString(), dropped);
            std::optional<dat::DatParse> parse;
            if (bytes) {
                parse = dat::ReadDat(std::span<const std::uint8_t>(bytes->data(), bytes->size()));
                if (parse->error)
                    this->services().Tell(
                        QStringLiteral("%1 is not a DAT file: %2\n%3")
                            .arg(shown, QString::fromStdString(dat::DescribeDatError(*parse->error)), dropped));
            }
            if (!parse || parse->error) {
                delete dats_->takeItem(k);
                continue;
            }
            romDats_.insert(romDats_.end(), parse->roms.size(), QFileInfo(shown).fileName());
            roms.insert(roms.end(), std::make_move_iterator(parse->roms.begin()),
                        std::make_move_iterator(parse->roms.end()));
            ++k;
        }
        RememberDats();
        index_ = std::make_unique<dat::DatIndex>(std::move(roms));
        return true;
    }

    // For each near miss, the CRC-32 its ROM has and the one its view has, when the DAT gives one.
    [[nodiscard]] std::vector<CrcMiss> MissesOf(std::span<const std::uint8_t> bytes,
                                                const dat::Identification& found) const {
        const std::vector<ViewPlan> views = ViewsOf(bytes);
        std::vector<CrcMiss> misses;
        for (const dat::NearMiss& miss : found.nearMisses) {
            const std::optional<std::uint32_t>& crc = index_->roms()[miss.rom].crc;
            const auto view =
                std::find_if(views.begin(), views.end(), [&](const ViewPlan& v) { return v.name == miss.view; });
            if (!crc || view == views.end()) {
                misses.push_back({});
                continue;
            }
            misses.push_back({*crc, ViewCrc(bytes, *view), view == views.begin()});
        }
        return misses;
    }

    void Fill(const dat::Identification& found, const std::vector<CrcMiss>& misses) {
        const auto& roms = index_->roms();
        std::vector<QStringList> rows;
        for (const dat::ViewMatch& match : found.matches) {
            QStringList verified;
            for (const std::string& digest : match.verified) verified << QString::fromStdString(digest);
            rows.push_back({QString::fromStdString(match.view), QStringLiteral("\u2714 match"),
                            RomText(roms[match.rom]), romDats_[match.rom],
                            QStringLiteral("verified: ") + verified.join(QStringLiteral(", "))});
            rowMisses_.push_back({});
        }
        for (std::size_t k = 0; k < found.nearMisses.size(); ++k) {
            const dat::NearMiss& miss = found.nearMisses[k];
            QString details = QString::fromStdString(miss.reason);
            // A CRC-32 that agrees (another digest differs) is no CRC to mend to.
            const bool crcDiffers = misses[k].expected != misses[k].got;
            if (crcDiffers)
                details +=
                    QStringLiteral("; expected CRC %1, got %2").arg(Hex8(misses[k].expected), Hex8(misses[k].got));
            rows.push_back({QString::fromStdString(miss.view), QStringLiteral("\u2248 near miss"),
                            RomText(roms[miss.rom]), romDats_[miss.rom], details});
            rowMisses_.push_back(crcDiffers ? misses[k] : CrcMiss{});
        }
        matches_->SetRows(rows);
        summary_->setText(QStringLiteral("%1 and %2 among %3.")
                              .arg(Counted(found.matches.size(), "match", "matches"),
                                   Counted(found.nearMisses.size(), "near miss", "near misses"),
                                   Counted(roms.size(), "ROM", "ROMs")));
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
        const unsigned maxBits = diagnosis::PairTableBytes(bytes.size()) <= diagnosis::kPairTableLimit ? 2u : 1u;
        diagnosis::RepairResult result;
        if (!this->services().RunTask(QStringLiteral("Trying flipped bits"), [&](const ProgressPoll& poll) {
                result = diagnosis::FindBitRepairs(bytes, miss.expected, maxBits, diagnosis::kKeptPairs,
                                                   [&poll](std::uint64_t done, std::uint64_t total) {
                                                       return poll(Progress{ProgressUnit::Windows, done, total});
                                                   });
            }))
            return;
        ShowRepair(result, bytes, miss.expected, maxBits);
    }

    void ShowRepair(const diagnosis::RepairResult& result, std::span<const std::uint8_t> bytes, std::uint32_t expected,
                    unsigned maxBits) {
        const QString target = QStringLiteral("CRC-32 %1").arg(Hex8(expected));
        const QString flips = maxBits == 2 ? QStringLiteral("one or two bits") : QStringLiteral("one bit");
        QString text;
        switch (result.outcome) {
            case diagnosis::RepairOutcome::Broken:
                repairText_->setText(
                    QStringLiteral("Cancelled: the repair to %1 was not finished; nothing written.").arg(target));
                return;
            case diagnosis::RepairOutcome::AlreadyMatches:
                repairText_->setText(QStringLiteral("The dump already has %1: nothing to repair.").arg(target));
                return;
            case diagnosis::RepairOutcome::NoCandidate:
            case diagnosis::RepairOutcome::TooLarge:
                text = QStringLiteral("No flip of %1 gives %2").arg(flips, target);
                if (maxBits == 1)
                    text += QStringLiteral(" (%1 is too large to search for two flipped bits)")
                                .arg(Counted(bytes.size(), "byte", "bytes"));
                repairText_->setText(text + QStringLiteral(": nothing written."));
                return;
            case diagnosis::RepairOutcome::Unique:
            case diagnosis::RepairOutcome::Ambiguous: break;
        }
        const bool ones = result.singles != 0;
        const std::uint64_t fewest = ones ? result.singles : result.pairs;
        text = QStringLiteral("%1 with %2 flipped %3 %4")
                   .arg(Counted(fewest, "candidate", "candidates"),
                        ones ? QStringLiteral("one bit") : QStringLiteral("two bits"),
                        fewest == 1 ? QStringLiteral("gives") : QStringLiteral("give"), target);
        if (ones && result.pairs != 0)
            text += QStringLiteral(" (and %1 of flipped bits, far less likely)")
                        .arg(Counted(result.pairs, "pair", "pairs"));
        // Only the candidates of the fewest flips are listed: the likelier ones, those that decide.
        QStringList lines;
        const std::size_t bitsEach = ones ? 1 : 2;
        for (const diagnosis::FlipCandidate& candidate : result.candidates)
            if (candidate.bits.size() == bitsEach && static_cast<std::size_t>(lines.size()) < kListedCandidates)
                lines << QStringLiteral("  ") + CandidateText(candidate, bytes);
        if (fewest > static_cast<std::uint64_t>(lines.size()))
            lines
                << QStringLiteral("  ... and %1 more").arg(Grouped(fewest - static_cast<std::uint64_t>(lines.size())));
        if (result.outcome == diagnosis::RepairOutcome::Ambiguous) {
            repairText_->setText(text + QStringLiteral(": no repair can be chosen, nothing written.\n") +
                                 lines.join(QLatin1Char('\n')));
            return;
        }
        repaired_ = diagnosis::ApplyFlips(bytes, result.candidates.front());
        repairedCrc_ = expected;
        saveRepair_->setEnabled(true);
        repairText_->setText(text + QStringLiteral(": the one sure repair. Save it with \"Save mended copy...\".\n") +
                             lines.join(QLatin1Char('\n')));
    }

    void SaveRepair() {
        if (!repaired_) return;
        // Verify before writing, as the command line does: the bytes about to be saved carry the CRC.
        const std::uint32_t got = Crc32(std::span<const std::uint8_t>(repaired_->data(), repaired_->size()));
        if (got != repairedCrc_) {
            this->services().Tell(QStringLiteral("The mended copy's CRC-32 is %1, not %2: nothing saved (an error in "
                                                 "Vesperine).")
                                      .arg(Hex8(got), Hex8(repairedCrc_)));
            return;
        }
        std::vector<std::string> inputs;
        if (subject() && !subject()->path.empty()) inputs.push_back(subject()->path);
        this->services().SaveCopy(std::span<const std::uint8_t>(repaired_->data(), repaired_->size()), inputs);
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
    std::vector<CrcMiss> rowMisses_;  // each row's CRCs; expected == got where there is nothing to mend
    std::vector<QString> romDats_;    // the DAT file each ROM of index_ came from
    std::optional<std::vector<std::uint8_t>> repaired_;
    std::uint32_t repairedCrc_ = 0;
    QLabel* summary_ = nullptr;
    CopyTable* matches_ = nullptr;
    std::unique_ptr<dat::DatIndex> index_;
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
