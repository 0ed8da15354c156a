// The Map panel: a picture of the dump with one row per block, coloured by what the block is, and the same rows as a
// table.
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <functional>
#include <utility>

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
// FF fill is light (erased) but not white: it must stand apart from a white table and a
// near-white window.
constexpr std::array<KindColour, 6> kColours{{
    {BlockKind::FillFF, 0xFFC8C8C8},
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

// How much a block claims a person's eye where one pixel row of the picture covers several
// blocks (a 1 GiB dump has 1,024 blocks for a few hundred rows): the row shows the most
// notable, so a block of data amid fill is never painted over. Unstable bits outrank all.
int Notability(BlockKind kind) {
    switch (kind) {
        case BlockKind::FillFF:
        case BlockKind::Fill00: return 0;
        case BlockKind::Repeat: return 1;
        case BlockKind::Text: return 2;
        case BlockKind::Data: return 3;
        case BlockKind::HighEntropy: return 4;
    }
    return 0;
}

// A swatch with a dark border, so that the lightest colour shows on any background.
QPixmap Swatch(const QColor& colour, int height) {
    QPixmap pixmap(height * 3 / 2, height);
    pixmap.fill(colour);
    QPainter painter(&pixmap);
    painter.setPen(QColor(0x50, 0x50, 0x50));
    painter.drawRect(0, 0, pixmap.width() - 1, pixmap.height() - 1);
    return pixmap;
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

// The whole dump at a glance, blocks top to bottom scaled to the widget's height; a pixel row
// that covers several blocks shows the most notable of them, and a click or a tooltip there
// goes to that block.
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
        if (!blocks_.empty())
            for (int y = 0; y < height(); ++y)
                painter.fillRect(QRect(0, y, width(), 1), ColourOf(blocks_[static_cast<std::size_t>(ShownAt(y))].kind));
        // Unstable bits over the blocks: a red bar at the right of each row that has any, two
        // pixels high so that a single weak cell still shows.
        for (int y = 0; y < height() && !blocks_.empty(); ++y)
            if (UnstableAt(ShownAt(y))) painter.fillRect(QRect(width() * 3 / 4, y, width() / 4, 2), Qt::red);
        painter.setPen(palette().mid().color());
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }

    bool event(QEvent* event) override {
        if (event->type() == QEvent::ToolTip) {
            auto* help = static_cast<QHelpEvent*>(event);
            const int row =
                help->pos().y() >= 0 && help->pos().y() < height() && !blocks_.empty() ? ShownAt(help->pos().y()) : -1;
            if (row < 0) return QWidget::event(event);
            const Block& block = blocks_[static_cast<std::size_t>(row)];
            QToolTip::showText(help->globalPos(), RangeOf(block) + QStringLiteral(": ") + Describe(block), this);
            return true;
        }
        return QWidget::event(event);
    }

    void mousePressEvent(QMouseEvent* event) override {
        const int y = static_cast<int>(event->position().y());
        if (y >= 0 && y < height() && !blocks_.empty() && onClick) onClick(ShownAt(y));
    }

private:
    [[nodiscard]] bool UnstableAt(int block) const {
        return static_cast<std::size_t>(block) < unstable_.size() && unstable_[static_cast<std::size_t>(block)] > 0;
    }
    // The block pixel row y (0 <= y < height, blocks not empty) shows. Row y spans blocks
    // [y n / h, (y + 1) n / h) in block units: every block that span touches competes.
    [[nodiscard]] int ShownAt(int y) const {
        const auto n = static_cast<qint64>(blocks_.size());
        const auto h = static_cast<qint64>(std::max(1, height()));
        const qint64 first = std::min(n - 1, y * n / h);
        const qint64 end = std::clamp(((y + 1) * n + h - 1) / h, first + 1, n);
        qint64 best = first;
        const auto rank = [this](qint64 k) {
            return std::pair(UnstableAt(static_cast<int>(k)), Notability(blocks_[static_cast<std::size_t>(k)].kind));
        };
        for (qint64 k = first + 1; k < end; ++k)
            if (rank(k) > rank(best)) best = k;
        return static_cast<int>(best);
    }

    std::vector<Block> blocks_;
    std::vector<std::uint64_t> unstable_;
};

class MapPanel final : public InspectorPanel {
public:
    explicit MapPanel(InspectorServices& services) : InspectorPanel(services) {
        auto* layout = new QVBoxLayout(this);
        // The key as drawn swatches: rich text draws no border round a coloured span.
        auto* key = new QHBoxLayout;
        const int swatchHeight = fontMetrics().height() * 3 / 4;
        const auto addKey = [&](const QColor& colour, const QString& name) {
            auto* swatch = new QLabel(this);
            swatch->setPixmap(Swatch(colour, swatchHeight));
            key->addWidget(swatch);
            key->addWidget(new QLabel(name, this));
            key->addSpacing(swatchHeight);
        };
        for (const KindColour& entry : kColours)
            addKey(QColor::fromRgba(entry.colour), QString::fromLatin1(diagnosis::BlockKindName(entry.kind)));
        addKey(Qt::red, QStringLiteral("unstable bits (Reads)"));
        key->addStretch(1);
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
        layout->addLayout(key);
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
        summary_->setText(QStringLiteral("%1 of %2; hover over the picture to name a block, click to "
                                         "find it in the table%3.")
                              .arg(Counted(blocks.size(), "block", "blocks"), Counted(blockLength, "byte", "bytes"),
                                   subject->dialogDump ? QStringLiteral(" and the dialog's dump pane") : QString()));
        std::vector<std::uint64_t> unstable(blocks.size());
        for (const std::uint64_t offset : services().UnstableOf(subject)) ++unstable[offset / blockLength];
        std::vector<QStringList> rows;
        for (std::size_t k = 0; k < blocks.size(); ++k) {
            QString what = Describe(blocks[k]);
            if (unstable[k] == 1) what += QStringLiteral("; unstable bits in 1 byte");
            if (unstable[k] > 1) what += QStringLiteral("; unstable bits in %1 bytes").arg(Grouped(unstable[k]));
            rows.push_back({QString(), RangeOf(blocks[k]), Grouped(blocks[k].length), what});
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
