// The Map panel: a picture of the dump with one row per block, coloured by what the block is, and the same rows as a
// table.
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QVBoxLayout>
#include <array>
#include <functional>

#include "base/format.h"
#include "diagnosis/block_map.h"
#include "platform/qt/inspector/copy_table.h"
#include "platform/qt/inspector/inspector_services.h"
#include "platform/qt/inspector/panel.h"
#include "platform/qt/inspector/subject.h"

namespace vesperine::qt::inspector {

using diagnosis::Block;
using diagnosis::BlockKind;

namespace {

struct KindColour {
    BlockKind kind;
    QRgb colour;
};
constexpr std::array<KindColour, 6> kColours{{
    {BlockKind::FillFF, 0xFFFFFFFF},
    {BlockKind::Fill00, 0xFF303030},
    {BlockKind::Repeat, 0xFFB090E0},
    {BlockKind::Text, 0xFF80C880},
    {BlockKind::HighEntropy, 0xFFE07060},
    {BlockKind::Data, 0xFF70A0E0},
}};

QColor ColourOf(BlockKind kind) {
    for (const KindColour& entry : kColours)
        if (entry.kind == kind) return QColor::fromRgba(entry.colour);
    return Qt::gray;
}

QString RangeOf(const Block& block) {
    return QString::fromStdString(RangeText(block.offset, block.offset + block.length));
}

QString Describe(const Block& block) {
    QString kind = QString::fromLatin1(diagnosis::BlockKindName(block.kind));
    if (block.kind == BlockKind::Repeat)
        kind += QStringLiteral(" of %1").arg(QString::fromStdString(HexText(block.repeatOf, 6)));
    return kind;
}

// The whole dump at a glance: block k is row k of the picture, scaled to the widget's height.
class BlockPicture final : public QWidget {
public:
    explicit BlockPicture(QWidget* parent) : QWidget(parent) {
        setMouseTracking(true);
        setMinimumWidth(120);
        setToolTip(QStringLiteral("Hover to see a block's offsets and kind"));
    }

    // unstable: for each block, how many bytes of it hold a bit that the reads disagree on.
    void SetBlocks(std::vector<Block> blocks, std::vector<std::uint64_t> unstable) {
        blocks_ = std::move(blocks);
        unstable_ = std::move(unstable);
        update();
    }
    std::function<void(int)> onClick;

protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        QPainter painter(this);
        painter.fillRect(rect(), palette().window());
        for (std::size_t k = 0; k < blocks_.size(); ++k) {
            const int top = RowTop(static_cast<int>(k));
            const int bottom = RowTop(static_cast<int>(k) + 1);
            painter.fillRect(QRect(0, top, width(), std::max(1, bottom - top)), ColourOf(blocks_[k].kind));
        }
        // Unstable bits over the blocks: a red bar at the right of each row that has any, at
        // least two pixels high so that a single weak cell still shows.
        for (std::size_t k = 0; k < unstable_.size(); ++k)
            if (unstable_[k] > 0)
                painter.fillRect(QRect(width() * 3 / 4, RowTop(static_cast<int>(k)), width() / 4,
                                       std::max(2, RowTop(static_cast<int>(k) + 1) - RowTop(static_cast<int>(k)))),
                                 Qt::red);
        painter.setPen(palette().mid().color());
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }

    bool event(QEvent* event) override {
        if (event->type() == QEvent::ToolTip) {
            auto* help = static_cast<QHelpEvent*>(event);
            const int row = RowAt(help->pos().y());
            if (row < 0) return QWidget::event(event);
            const Block& block = blocks_[static_cast<std::size_t>(row)];
            QToolTip::showText(help->globalPos(), RangeOf(block) + QStringLiteral(": ") + Describe(block), this);
            return true;
        }
        return QWidget::event(event);
    }

    void mousePressEvent(QMouseEvent* event) override {
        const int row = RowAt(static_cast<int>(event->position().y()));
        if (row >= 0 && onClick) onClick(row);
    }

private:
    [[nodiscard]] int RowTop(int row) const {
        return blocks_.empty()
                   ? 0
                   : static_cast<int>(static_cast<qint64>(row) * height() / static_cast<qint64>(blocks_.size()));
    }
    [[nodiscard]] int RowAt(int y) const {
        if (blocks_.empty() || y < 0 || y >= height()) return -1;
        return std::min(static_cast<int>(static_cast<qint64>(y) * static_cast<qint64>(blocks_.size()) / height()),
                        static_cast<int>(blocks_.size()) - 1);
    }

    std::vector<Block> blocks_;
    std::vector<std::uint64_t> unstable_;
};

class MapPanel final : public InspectorPanel {
public:
    explicit MapPanel(InspectorServices& services) : InspectorPanel(services) {
        auto* layout = new QVBoxLayout(this);
        QStringList legend;
        for (const KindColour& entry : kColours)
            legend << QStringLiteral(
                          "<span style='background:%1; border:1px solid gray'>&nbsp;&nbsp;&nbsp;&nbsp;</span> %2")
                          .arg(QColor::fromRgba(entry.colour).name(),
                               QString::fromLatin1(diagnosis::BlockKindName(entry.kind)));
        legend << QStringLiteral("<span style='background:red'>&nbsp;&nbsp;</span> unstable bits (Reads)");
        auto* key = new QLabel(legend.join(QStringLiteral(" &nbsp; ")), this);
        summary_ = new QLabel(this);
        summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
        auto* row = new QHBoxLayout;
        picture_ = new BlockPicture(this);
        picture_->setObjectName(QStringLiteral("blockPicture"));
        table_ = new CopyTable({QStringLiteral(""), QStringLiteral("Offsets"), QStringLiteral("Bytes"),
                                QStringLiteral("What the block is")},
                               this);
        row->addWidget(picture_);
        row->addWidget(table_, 1);
        layout->addWidget(key);
        layout->addWidget(summary_);
        layout->addLayout(row, 1);
        picture_->onClick = [this](int block) {
            const Subject* shown = subject();
            if (shown && shown->dialogDump)
                this->services().JumpDialogDump(static_cast<std::uint64_t>(block) * blockLength_);
            table_->selectRow(block);
            table_->scrollToItem(table_->item(block, 1), QAbstractItemView::PositionAtCenter);
        };
    }

    void Present(const Subject* subject) override {
        picture_->SetBlocks({}, {});
        table_->SetRows({});
        summary_->clear();
        if (!subject) return;
        const std::span<const std::uint8_t> bytes(subject->bytes.data(), subject->bytes.size());
        const std::uint64_t blockLength = diagnosis::BlockLengthFor(bytes.size());
        blockLength_ = blockLength;
        std::vector<Block> blocks;
        if (!services().RunTask(QStringLiteral("Mapping"), [&](const ProgressPoll& /*poll*/) {
                blocks = diagnosis::MapBlocks(bytes, blockLength);
            }))
            return;
        summary_->setText(QStringLiteral("%1 blocks of %2 bytes; hover over the picture to name a block, click to "
                                         "find it in the table%3.")
                              .arg(blocks.size())
                              .arg(blockLength)
                              .arg(subject->dialogDump ? QStringLiteral(" and the dialog's dump pane") : QString()));
        std::vector<std::uint64_t> unstable(blocks.size());
        for (const std::uint64_t offset : services().UnstableOf(subject)) ++unstable[offset / blockLength];
        std::vector<QStringList> rows;
        for (std::size_t k = 0; k < blocks.size(); ++k) {
            QString what = Describe(blocks[k]);
            if (unstable[k] == 1) what += QStringLiteral("; unstable bits in 1 byte");
            if (unstable[k] > 1) what += QStringLiteral("; unstable bits in %1 bytes").arg(unstable[k]);
            rows.push_back({QString(), RangeOf(blocks[k]), QString::number(blocks[k].length), what});
        }
        table_->SetRows(rows);
        for (int r = 0; r < table_->rowCount(); ++r) {
            const Block& block = blocks[static_cast<std::size_t>(r)];
            table_->item(r, 0)->setBackground(ColourOf(block.kind));
            table_->item(r, 0)->setToolTip(RangeOf(block) + QStringLiteral(": ") + Describe(block));
        }
        picture_->SetBlocks(std::move(blocks), std::move(unstable));
    }

private:
    QLabel* summary_ = nullptr;
    BlockPicture* picture_ = nullptr;
    CopyTable* table_ = nullptr;
    std::uint64_t blockLength_ = 512;
};

}  // namespace

InspectorPanel* MakeMapPanel(InspectorServices& services) { return new MapPanel(services); }

}  // namespace vesperine::qt::inspector
