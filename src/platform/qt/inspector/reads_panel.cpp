// The Reads panel: further reads of the same chip beside the subject, where they disagree, their consensus and the CRC
// mend.
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>
#include <string_view>

#include "base/crc32.h"
#include "base/format.h"
#include "inspector/subject.h"
#include "platform/qt/file_drop.h"
#include "platform/qt/inspector/copy_table.h"
#include "platform/qt/inspector/inspector_services.h"
#include "platform/qt/inspector/panel.h"
#include "reads/compare_reads.h"
#include "reads/crc_mend.h"
#include "reads/read_findings.h"

namespace vesperine::qt::inspector {

namespace {

// The expected CRC-32 as a DAT, a label or a forum post gives it: 8 hex digits in either case,
// a leading 0x and spaces anywhere (pasted "44D5 6F86"). Anything else is refused whole, never
// shortened to 8 characters.
std::optional<std::uint32_t> ParseExpectedCrc(QString text) {
    text.remove(QLatin1Char(' '));
    text.remove(QLatin1Char('\t'));
    if (text.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive)) text.remove(0, 2);
    if (text.size() != 8) return std::nullopt;
    // Digit by digit: toUInt would also take a sign or a second "0x".
    static constexpr std::string_view kDigits = "0123456789abcdef";
    std::uint32_t value = 0;
    for (const QChar c : text) {
        const std::size_t digit = c.unicode() < 0x80 ? kDigits.find(c.toLower().toLatin1()) : std::string_view::npos;
        if (digit == std::string_view::npos) return std::nullopt;
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    return value;
}

// The unstable bits table lists at most this many rows: a table item costs some hundred bytes a
// cell, so the comparison's own list (up to kListedBitsLimit bits) would cost gigabytes shown
// whole, and a person reads the first few thousand at most.
constexpr std::size_t kShownBitsLimit = 10000;

struct Read {
    std::string path;
    ByteBuffer bytes;
};

class ReadsPanel final : public InspectorPanel {
public:
    explicit ReadsPanel(InspectorServices& services) : InspectorPanel(services) {
        auto* layout = new QVBoxLayout(this);
        auto* top = new QHBoxLayout;
        list_ = new QListWidget(this);
        list_->setMaximumHeight(90);
        auto* listLabel =
            new QLabel(QStringLiteral("Further reads of the same chip (add them, or dro&p them here):"), this);
        listLabel->setBuddy(list_);
        auto* side = new QVBoxLayout;
        auto* add = new QPushButton(QStringLiteral("&Add read..."), this);
        add->setObjectName(QStringLiteral("addRead"));
        auto* clear = new QPushButton(QStringLiteral("C&lear reads"), this);
        width_ = new QComboBox(this);
        width_->addItems({QStringLiteral("8-bit chip"), QStringLiteral("16-bit chip (low byte first)")});
        auto* widthLabel = new QLabel(QStringLiteral("Chip &width:"), this);
        widthLabel->setBuddy(width_);
        side->addWidget(add);
        side->addWidget(clear);
        side->addWidget(widthLabel);
        side->addWidget(width_);
        top->addWidget(list_, 1);
        top->addLayout(side);
        summary_ = new QLabel(this);
        summary_->setWordWrap(true);
        summary_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        findings_ = new CopyTable({QStringLiteral("Finding"), QStringLiteral("What the reads say")}, this);
        bits_ = new CopyTable({QStringLiteral("Offset"), QStringLiteral("Bit"), QStringLiteral("Majority")}, this);
        bits_->setObjectName(QStringLiteral("unstableBits"));
        bits_->setSelectionMode(QAbstractItemView::SingleSelection);
        bitsLabel_ = new QLabel(this);
        bitsLabel_->setWordWrap(true);
        bitsLabel_->setBuddy(bits_);
        auto* bottom = new QHBoxLayout;
        saveConsensus_ = new QPushButton(QStringLiteral("&Save consensus..."), this);
        saveConsensus_->setObjectName(QStringLiteral("saveConsensus"));
        expected_ = new QLineEdit(this);
        expected_->setObjectName(QStringLiteral("expectedCrc"));
        expected_->setPlaceholderText(QStringLiteral("8 hex digits"));
        expected_->setMinimumWidth(expected_->fontMetrics().horizontalAdvance(QStringLiteral("0x44D5 6F86__")));
        auto* expectedLabel = new QLabel(QStringLiteral("E&xpected CRC-32:"), this);
        expectedLabel->setBuddy(expected_);
        mend_ = new QPushButton(QStringLiteral("M&end by CRC"), this);
        mend_->setObjectName(QStringLiteral("mendByCrc"));
        bottom->addWidget(saveConsensus_);
        bottom->addStretch(1);
        bottom->addWidget(expectedLabel);
        bottom->addWidget(expected_);
        bottom->addWidget(mend_);
        mendText_ = new QLabel(this);
        mendText_->setWordWrap(true);
        mendText_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        layout->addWidget(listLabel);
        layout->addLayout(top);
        layout->addWidget(summary_);
        layout->addWidget(findings_, 1);
        layout->addWidget(bitsLabel_);
        layout->addWidget(bits_, 1);
        layout->addLayout(bottom);
        layout->addWidget(mendText_);

        connect(add, &QPushButton::clicked, this, [this] {
            if (const auto path = this->services().ChooseOpenFile()) AddRead(*path);
        });
        connect(clear, &QPushButton::clicked, this, [this] {
            reads_.clear();
            list_->clear();
            ShowSubject(subject());
        });
        connect(width_, &QComboBox::currentIndexChanged, this, [this] { ShowSubject(subject()); });
        connect(saveConsensus_, &QPushButton::clicked, this, [this] { Save(comparison_->consensus); });
        connect(mend_, &QPushButton::clicked, this, [this] { Mend(); });
        // The Identity panel's near miss names a CRC to mend to; with reads loaded the mend is theirs.
        services.SetCrcTaker([this](std::uint32_t crc) {
            if (reads_.empty()) return false;
            expected_->setText(Hex8(crc));
            for (QWidget* w = parentWidget(); w; w = w->parentWidget())
                if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
                    tabs->setCurrentWidget(this);
                    break;
                }
            expected_->setFocus();
            return true;
        });
        // A click selects the row and Enter activates it; either shows the bit in the dialog's dump.
        connect(bits_, &QTableWidget::clicked, this, [this](const QModelIndex& index) { JumpToBit(index.row()); });
        connect(bits_, &QTableWidget::activated, this, [this](const QModelIndex& index) { JumpToBit(index.row()); });
        // Drops here are further reads; the window's own filter takes drops elsewhere.
        setAcceptDrops(true);
        installEventFilter(new FileDropFilter(
            this, [this] { return !this->services().busy(); },
            [this](const DroppedFile& file) {
                QTimer::singleShot(0, this, [this, file] {
                    if (!file.refusal.empty()) this->services().Tell(QString::fromStdString(file.refusal));
                    else AddRead(QFile::encodeName(file.path).toStdString());
                });
            }));
    }

    void Present(const Subject* subject) override {
        comparison_.reset();
        if (subject) this->services().SetUnstable(nullptr, {});
        findings_->SetRows({});
        FillBits();
        mendText_->clear();
        saveConsensus_->setEnabled(false);
        mend_->setEnabled(false);
        summary_->setText(
            QStringLiteral("Add one or more further reads of the same chip to compare them bit by bit "
                           "with the one inspected."));
        if (!subject || reads_.empty()) return;
        std::vector<std::span<const std::uint8_t>> all{{subject->bytes.data(), subject->bytes.size()}};
        for (const Read& read : reads_) {
            if (read.bytes.size() != subject->bytes.size()) {
                summary_->setText(QStringLiteral("%1 has %2, the inspected dump %3: reads of one chip have one "
                                                 "length.")
                                      .arg(ShownPath(read.path), Counted(read.bytes.size(), "byte", "bytes"),
                                           Counted(subject->bytes.size(), "byte", "bytes")));
                return;
            }
            all.emplace_back(read.bytes.data(), read.bytes.size());
        }
        const unsigned width = width_->currentIndex() == 1 ? 2u : 1u;
        std::optional<reads::ReadsComparison> compared;
        if (!this->services().RunTask(QStringLiteral("Comparing reads"), [&](const ProgressPoll& /*poll*/) {
                compared = reads::CompareReads(all, width);
            }))
            return;
        comparison_ = std::move(compared);
        Fill();
    }

private:
    // A file already among the reads (by identity: a link, another spelling) would agree with
    // itself in every bit and is refused.
    void AddRead(const std::string& path) {
        FileSystem& files = this->services().files();
        if (subject() && !subject()->path.empty() && files.SameFile(subject()->path, path)) {
            this->services().Tell(QStringLiteral("%1 is the inspected dump itself (a link or another name of it): a "
                                                 "read must be a read of its own.")
                                      .arg(ShownPath(path)));
            return;
        }
        for (std::size_t r = 0; r < reads_.size(); ++r) {
            if (!files.SameFile(reads_[r].path, path)) continue;
            this->services().Tell(QStringLiteral("%1 is read %2 already (%3): a read must be a read of its own.")
                                      .arg(ShownPath(path))
                                      .arg(r + 2)
                                      .arg(ShownPath(reads_[r].path)));
            return;
        }
        std::optional<ByteBuffer> bytes = this->services().ReadFile(path);
        if (!bytes) return;
        reads_.push_back(Read{path, std::move(*bytes)});
        list_->addItem(QStringLiteral("read %1: %2").arg(reads_.size() + 1).arg(ShownPath(path)));
        ShowSubject(subject());
    }

    void Fill() {
        const reads::ReadsComparison& c = *comparison_;
        // A word is the chip's: a byte of an 8-bit chip, two bytes of a 16-bit one.
        const bool bytes = c.width == 1;
        summary_->setText(
            QStringLiteral("%1 reads of %2 (read 1 is the inspected dump): %3 in %4, %5 tied.")
                .arg(Grouped(c.readCount), Counted(c.length, "byte", "bytes"),
                     Counted(c.unstableBits, "unstable bit", "unstable bits"),
                     bytes ? Counted(c.unstableWords, "byte", "bytes") : Counted(c.unstableWords, "word", "words"),
                     Grouped(c.ties)));
        std::vector<QStringList> rows;
        for (const reads::ReadsFinding& finding : reads::ExplainReads(c))
            rows.push_back(
                {QString::fromLatin1(reads::ReadsFindingName(finding.kind)), QString::fromStdString(finding.text)});
        findings_->SetRows(rows);
        FillBits();
        saveConsensus_->setEnabled(true);
        mend_->setEnabled(!c.Stable() && c.ListsComplete());
        std::vector<std::uint64_t> offsets;
        for (const std::uint64_t bit : c.unstable)
            if (offsets.empty() || offsets.back() != reads::OffsetOf(bit)) offsets.push_back(reads::OffsetOf(bit));
        services().SetUnstable(subject(), std::move(offsets));
    }

    // One row an unstable bit, the first kShownBitsLimit of those the comparison listed: where it
    // lies, each read's value and the way the consensus took it.
    void FillBits() {
        const reads::ReadsComparison* c = comparison_ ? &*comparison_ : nullptr;
        QStringList headings{QStringLiteral("Offset"), QStringLiteral("Bit")};
        for (std::size_t r = 0; c && r < c->readCount; ++r) headings << QStringLiteral("Read %1").arg(r + 1);
        headings << QStringLiteral("Majority");
        bits_->setColumnCount(static_cast<int>(headings.size()));
        bits_->setHorizontalHeaderLabels(headings);
        // The read count changes the columns: the last is the one that stretches, whichever it is now.
        bits_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
        bits_->horizontalHeader()->setSectionResizeMode(static_cast<int>(headings.size()) - 1, QHeaderView::Stretch);
        bitsShown_.clear();
        if (!c || c->Stable()) {
            bits_->SetRows({});
            bitsLabel_->setText(c ? QStringLiteral("U&nstable bits: none, the reads agree in every bit.")
                                  : QStringLiteral("U&nstable bits: none compared yet."));
            return;
        }
        std::vector<std::span<const std::uint8_t>> all{{subject()->bytes.data(), subject()->bytes.size()}};
        for (const Read& read : reads_) all.emplace_back(read.bytes.data(), read.bytes.size());
        const std::size_t shown = std::min<std::size_t>(c->unstable.size(), kShownBitsLimit);
        std::vector<QStringList> rows;
        rows.reserve(shown);
        for (std::size_t k = 0; k < shown; ++k) {
            const std::uint64_t bit = c->unstable[k];
            const std::uint64_t offset = reads::OffsetOf(bit);
            const unsigned b = reads::BitOf(bit);
            // A 16-bit chip's odd bytes carry its high data lines D8-D15.
            const unsigned line = c->width == 2 && offset % 2 == 1 ? b + 8 : b;
            QStringList row{QString::fromStdString(HexText(offset, 8)), QStringLiteral("%1 (D%2)").arg(b).arg(line)};
            for (const std::span<const std::uint8_t> read : all) row << QString::number(read[offset] >> b & 1u);
            const unsigned majority = c->consensus[offset] >> b & 1u;
            row << (c->shapes[k].direction == reads::BitDirection::Tie
                        ? QStringLiteral("tie: %1, as read 1").arg(majority)
                        : QString::number(majority));
            rows.push_back(std::move(row));
            bitsShown_.push_back(offset);
        }
        bits_->SetRows(rows);
        const bool jumps = subject()->dialogDump && this->services().hasDialog();
        QString text = shown < c->unstableBits ? QStringLiteral("U&nstable bits: the first %1 of %2 are listed")
                                                     .arg(Grouped(shown), Grouped(c->unstableBits))
                                               : QStringLiteral("U&nstable bits: all %1 listed").arg(Grouped(shown));
        if (c->unstable.size() < c->unstableBits)
            text += QStringLiteral(" (the comparison keeps at most %1)").arg(Grouped(reads::kListedBitsLimit));
        text += jumps ? QStringLiteral("; click a row or press Enter to show it in the dialog's dump.")
                      : QStringLiteral(".");
        bitsLabel_->setText(text);
    }

    void JumpToBit(int row) {
        if (row < 0 || static_cast<std::size_t>(row) >= bitsShown_.size() || !subject()) return;
        // Only the dialog's dump is in the dialog's dump pane: another subject's offset means nothing there.
        if (subject()->dialogDump) this->services().JumpDialogDump(bitsShown_[static_cast<std::size_t>(row)]);
    }

    void Mend() {
        const std::optional<std::uint32_t> parsed = ParseExpectedCrc(expected_->text());
        if (!parsed) {
            this->services().Tell(QStringLiteral("Expected CRC-32 \"%1\" is not 8 hex digits: write it as a DAT or a "
                                                 "label gives it (44D56F86, 0x44d56f86 or 44D5 6F86). Nothing mended.")
                                      .arg(expected_->text()));
            return;
        }
        const std::uint32_t expected = *parsed;
        const reads::ReadsComparison& c = *comparison_;
        const std::span<const std::uint8_t> consensus(c.consensus.data(), c.consensus.size());
        reads::MendResult mended;
        if (!this->services().RunTask(QStringLiteral("Mending"), [&](const ProgressPoll& /*poll*/) {
                mended = reads::MendByCrc(consensus, c.unstable, expected);
            }))
            return;
        switch (mended.outcome) {
            case reads::MendOutcome::NoAssignment:
                mendText_->setText(QStringLiteral("No values of the %1 give CRC-32 %2: the error lies "
                                                  "elsewhere, or the expected CRC is for another dump.")
                                       .arg(Counted(mended.unknowns, "unstable bit", "unstable bits"), Hex8(expected)));
                return;
            case reads::MendOutcome::Ambiguous:
                mendText_->setText(QStringLiteral("%1 ways to set the unstable bits give that CRC-32 (2^%2): read the "
                                                  "chip again to narrow them.")
                                       .arg(mended.freeBits > 62 ? QStringLiteral("Too many")
                                                                 : Grouped(std::uint64_t{1} << mended.freeBits))
                                       .arg(mended.freeBits));
                return;
            case reads::MendOutcome::Unique: break;
        }
        const Flips& flips = mended.assignments.front();
        const ByteBuffer fixed = reads::ApplyAssignment(consensus, flips);
        // Verify before claiming, as the command line does: the bytes about to be saved carry the CRC.
        const std::uint32_t got = Crc32(std::span<const std::uint8_t>(fixed.data(), fixed.size()));
        if (got != expected) {
            mendText_->setText(QStringLiteral("The mended image's CRC-32 is %1, not %2: nothing saved (an error in "
                                              "Vesperine).")
                                   .arg(Hex8(got), Hex8(expected)));
            this->services().Tell(mendText_->text());
            return;
        }
        mendText_->setText(QStringLiteral("One way to set the %1 gives CRC-32 %2 (checked): %3 from the majority. "
                                          "Choose where to save it.")
                               .arg(Counted(mended.unknowns, "unstable bit", "unstable bits"), Hex8(expected),
                                    flips.size() == 1 ? QStringLiteral("1 bit differs")
                                                      : QStringLiteral("%1 bits differ").arg(Grouped(flips.size()))));
        Save(fixed);
    }

    void Save(const ByteBuffer& bytes) {
        std::vector<std::string> inputs;
        if (subject() && !subject()->path.empty()) inputs.push_back(subject()->path);
        for (const Read& read : reads_) inputs.push_back(read.path);
        this->services().SaveCopy(std::span<const std::uint8_t>(bytes.data(), bytes.size()), inputs);
    }

    using Flips = reads::Flips;
    std::vector<Read> reads_;
    std::optional<reads::ReadsComparison> comparison_;
    QListWidget* list_ = nullptr;
    QComboBox* width_ = nullptr;
    QLabel* summary_ = nullptr;
    CopyTable* findings_ = nullptr;
    QLabel* bitsLabel_ = nullptr;
    CopyTable* bits_ = nullptr;
    std::vector<std::uint64_t> bitsShown_;  // the byte offset of each row of bits_
    QPushButton* saveConsensus_ = nullptr;
    QLineEdit* expected_ = nullptr;
    QPushButton* mend_ = nullptr;
    QLabel* mendText_ = nullptr;
};

}  // namespace

InspectorPanel* MakeReadsPanel(InspectorServices& services) { return new ReadsPanel(services); }

}  // namespace vesperine::qt::inspector
