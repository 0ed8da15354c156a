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

#include "inspector/reads_model.h"
#include "inspector/subject.h"
#include "platform/qt/file_drop.h"
#include "platform/qt/inspector/copy_table.h"
#include "platform/qt/inspector/inspector_services.h"
#include "platform/qt/inspector/panel.h"
#include "reads/compare_reads.h"
#include "reads/crc_mend.h"

namespace vesperine::qt::inspector {

namespace {

struct Read {
    std::string path;
    ByteBuffer bytes;
};

class ReadsPanel final : public InspectorPanel {
public:
    explicit ReadsPanel(InspectorServices& services) : InspectorPanel(services) {
        // The list of reads is the person's work: gathered file by file, gone with the window.
        services.AddUnsavedQuery([this] {
            return reads_.empty() ? QString()
                                  : QStringLiteral("the list of %1 (Reads)")
                                        .arg(Counted(reads_.size(), "further read", "further reads"));
        });
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
        summary_->setText(QString::fromStdString(vesperine::inspector::ReadsPrompt()));
        if (!subject || reads_.empty()) return;
        std::vector<std::span<const std::uint8_t>> all{{subject->bytes.data(), subject->bytes.size()}};
        for (const Read& read : reads_) {
            if (read.bytes.size() != subject->bytes.size()) {
                summary_->setText(QString::fromStdString(vesperine::inspector::LengthMismatch(
                    ShownPath(read.path).toStdString(), read.bytes.size(), subject->bytes.size())));
                return;
            }
            all.emplace_back(read.bytes.data(), read.bytes.size());
        }
        const unsigned width = width_->currentIndex() == 1 ? 2u : 1u;
        std::optional<reads::ReadsComparison> compared;
        vesperine::inspector::Rows findings;
        if (!this->services().RunTask(QStringLiteral("Comparing reads"),
                                      [&](const ProgressPoll& poll) {
                                          compared = reads::CompareReads(all, width,
                                                                         InUnits(poll, ProgressUnit::BytesCompared));
                                          if (compared) findings = vesperine::inspector::ReadsFindingRows(*compared);
                                      }) ||
            !compared)
            return;
        comparison_ = std::move(compared);
        Fill(findings);
    }

private:
    // A file already among the reads (by identity: a link, another spelling) would agree with
    // itself in every bit and is refused.
    void AddRead(const std::string& path) {
        FileSystem& files = this->services().files();
        if (subject() && !subject()->path.empty() && files.SameFile(subject()->path, path)) {
            this->services().Tell(
                QString::fromStdString(vesperine::inspector::DumpItselfRefusal(ShownPath(path).toStdString())));
            return;
        }
        for (std::size_t r = 0; r < reads_.size(); ++r) {
            if (!files.SameFile(reads_[r].path, path)) continue;
            this->services().Tell(QString::fromStdString(vesperine::inspector::AlreadyReadRefusal(
                ShownPath(path).toStdString(), r + 2, ShownPath(reads_[r].path).toStdString())));
            return;
        }
        std::optional<ByteBuffer> bytes = this->services().ReadFile(path);
        if (!bytes) return;
        reads_.push_back(Read{path, std::move(*bytes)});
        list_->addItem(QString::fromStdString(
            vesperine::inspector::ReadListItem(reads_.size() + 1, ShownPath(path).toStdString())));
        ShowSubject(subject());
    }

    void Fill(const vesperine::inspector::Rows& findings) {
        const reads::ReadsComparison& c = *comparison_;
        summary_->setText(QString::fromStdString(vesperine::inspector::ReadsSummary(c)));
        findings_->SetRows(QtRows(findings));
        FillBits();
        saveConsensus_->setEnabled(true);
        mend_->setEnabled(!c.Stable() && c.ListsComplete());
        services().SetUnstable(subject(), vesperine::inspector::UnstableOffsets(c));
    }

    // One row an unstable bit, the first of those the comparison listed: where it lies, each
    // read's value and the way the consensus took it.
    void FillBits() {
        const reads::ReadsComparison* c = comparison_ ? &*comparison_ : nullptr;
        std::vector<std::span<const std::uint8_t>> all;
        if (c && subject()) {
            all.emplace_back(subject()->bytes.data(), subject()->bytes.size());
            for (const Read& read : reads_) all.emplace_back(read.bytes.data(), read.bytes.size());
        }
        const bool jumps = subject() && subject()->dialogDump && this->services().hasDialog();
        vesperine::inspector::BitsTable table = vesperine::inspector::UnstableBitsTable(c, all, jumps);
        QStringList headings;
        for (const std::string& heading : table.headings) headings << QString::fromStdString(heading);
        bits_->setColumnCount(static_cast<int>(headings.size()));
        bits_->setHorizontalHeaderLabels(headings);
        // The read count changes the columns: the last is the one that stretches, whichever it is now.
        bits_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
        bits_->horizontalHeader()->setSectionResizeMode(static_cast<int>(headings.size()) - 1, QHeaderView::Stretch);
        bits_->SetRows(QtRows(table.rows));
        bitsShown_ = std::move(table.offsets);
        bitsLabel_->setText(QString::fromStdString(table.label));
    }

    void JumpToBit(int row) {
        if (row < 0 || static_cast<std::size_t>(row) >= bitsShown_.size() || !subject()) return;
        // Only the dialog's dump is in the dialog's dump pane: another subject's offset means nothing there.
        if (subject()->dialogDump) this->services().JumpDialogDump(bitsShown_[static_cast<std::size_t>(row)]);
    }

    void Mend() {
        const std::optional<std::uint32_t> parsed =
            vesperine::inspector::ParseExpectedCrc(expected_->text().toStdString());
        if (!parsed) {
            this->services().Tell(
                QString::fromStdString(vesperine::inspector::BadExpectedCrc(expected_->text().toStdString())));
            return;
        }
        const std::uint32_t expected = *parsed;
        const reads::ReadsComparison& c = *comparison_;
        const std::span<const std::uint8_t> consensus(c.consensus.data(), c.consensus.size());
        // The mend, the mended copy and its CRC check all on the worker: each costs a pass over
        // the dump.
        vesperine::inspector::MendReport report;
        bool mendedWhole = false;
        if (!this->services().RunTask(QStringLiteral("Mending"),
                                      [&](const ProgressPoll& poll) {
                                          const std::optional<reads::MendResult> mended = reads::MendByCrc(
                                              consensus, c.unstable, expected, 8, InUnits(poll, ProgressUnit::Share));
                                          if (!mended) return;
                                          report = vesperine::inspector::ReportMend(consensus, *mended, expected);
                                          mendedWhole = true;
                                      }) ||
            !mendedWhole)
            return;
        mendText_->setText(QString::fromStdString(report.text));
        if (report.fault) this->services().Tell(mendText_->text());
        if (report.fixed) Save(*report.fixed);
    }

    void Save(const ByteBuffer& bytes) {
        std::vector<std::string> inputs;
        if (subject() && !subject()->path.empty()) inputs.push_back(subject()->path);
        for (const Read& read : reads_) inputs.push_back(read.path);
        this->services().SaveCopy(std::span<const std::uint8_t>(bytes.data(), bytes.size()), inputs);
    }

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
