// The Map panel: a picture of the dump with one row per block, coloured by what the block is, and the same rows as a
// table.
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <functional>
#include <tuple>
#include <utility>

#include "base/format.h"
#include "diagnosis/block_map.h"
#include "inspector/map_model.h"
#include "inspector/subject.h"
#include "platform/qt/inspector/copy_table.h"
#include "platform/qt/inspector/inspector_services.h"
#include "platform/qt/inspector/panel.h"

namespace vesperine::qt::inspector {

using diagnosis::Block;
using diagnosis::BlockKind;
using vesperine::inspector::MapSpan;

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

// A swatch with a dark border, so that the lightest colour shows on any background.
QPixmap Swatch(const QColor& colour, int height) {
    QPixmap pixmap(height * 3 / 2, height);
    pixmap.fill(colour);
    QPainter painter(&pixmap);
    painter.setPen(QColor(0x50, 0x50, 0x50));
    painter.drawRect(0, 0, pixmap.width() - 1, pixmap.height() - 1);
    return pixmap;
}
// The chosen block's frame: yellow inside a black line, apart from every kind's colour and
// the red of unstable bits, on light fill as on dark.
constexpr QRgb kMarkerColour = 0xFFFFD000;
constexpr QRgb kEntropyColour = 0xFF404080;

// Fills the frame of rect, thickness pixels wide, with colour.
void Frame(QPainter& painter, const QRect& rect, int thickness, const QColor& colour) {
    const int t = std::min({thickness, rect.width() / 2, rect.height() / 2});
    painter.fillRect(QRect(rect.left(), rect.top(), rect.width(), t), colour);
    painter.fillRect(QRect(rect.left(), rect.bottom() - t + 1, rect.width(), t), colour);
    painter.fillRect(QRect(rect.left(), rect.top(), t, rect.height()), colour);
    painter.fillRect(QRect(rect.right() - t + 1, rect.top(), t, rect.height()), colour);
}

// The blocks of a span of the dump (the whole of it, or the span zoomed to), top to bottom
// scaled to the widget's height, coloured by kind on the left and with each pixel row's entropy
// as a bar graph on the right. A pixel row that covers several blocks shows the most notable of
// them and the highest entropy among them (the highest, as a mean would hide one compressed
// block amid fill); a click or a tooltip there goes to that block.
class BlockPicture final : public QWidget {
public:
    explicit BlockPicture(QWidget* parent) : QWidget(parent) {
        setMouseTracking(true);
        setMinimumWidth(160);
        setToolTip(QStringLiteral("Hover to see a block's offsets, kind and entropy"));
    }

    // unstable: for each block, how many bytes of it hold a bit that the reads disagree on.
    // Shows them all, unzoomed, with no block chosen.
    void SetBlocks(std::vector<Block> blocks, std::vector<std::uint64_t> unstable) {
        blocks_ = std::move(blocks);
        unstable_ = std::move(unstable);
        first_ = 0;
        end_ = static_cast<int>(blocks_.size());
        chosen_ = -1;
        update();
    }
    // Shows blocks [first, end) only, end > first; the whole when first = 0 and end = all.
    void ShowSpan(int first, int end) {
        std::tie(first_, end_) = vesperine::inspector::ClampSpan(first, end, static_cast<int>(blocks_.size()));
        update();
    }
    // The block the marker frames, -1 for none.
    void Choose(int block) {
        chosen_ = block;
        update();
    }
    // The blocks shown, [first, end).
    [[nodiscard]] std::pair<int, int> span() const { return {first_, end_}; }
    [[nodiscard]] const std::vector<Block>& blocks() const { return blocks_; }
    [[nodiscard]] bool zoomed() const { return first_ > 0 || end_ < static_cast<int>(blocks_.size()); }
    // Where the kinds end and the entropy graph begins.
    [[nodiscard]] int KindsWidth() const { return width() - EntropyWidth() - kGap; }
    [[nodiscard]] int EntropyWidth() const { return width() / 3; }
    std::function<void(int)> onClick;

protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        QPainter painter(this);
        painter.fillRect(rect(), palette().window());
        const int kinds = KindsWidth();
        const QRect graph(kinds + kGap, 0, EntropyWidth(), height());
        painter.fillRect(graph, palette().base());
        // The bars inside the graph's frame, over the high-entropy threshold (7 bits a byte) as
        // a guide line.
        const QRect bars = graph.adjusted(1, 0, -1, 0);
        painter.fillRect(QRect(bars.left() + bars.width() * 7 / 8, 0, 1, height()), palette().mid());
        if (end_ > first_) {
            const MapSpan span = Span();
            const std::vector<vesperine::inspector::PixelRow> rows =
                vesperine::inspector::PixelRows(blocks_, unstable_, span);
            for (int y = 0; y < height(); ++y) {
                const auto [shown, bits] = rows[static_cast<std::size_t>(y)];
                const QColor colour = ColourOf(blocks_[static_cast<std::size_t>(shown)].kind);
                painter.fillRect(QRect(0, y, kinds, 1),
                                 vesperine::inspector::BlockEdgeAt(span, y) ? colour.darker(140) : colour);
                // Unstable bits over the blocks: a red bar at the right of each row that has
                // any, two pixels high so that a single weak cell still shows.
                if (UnstableAt(shown)) painter.fillRect(QRect(kinds * 3 / 4, y, kinds - kinds * 3 / 4, 2), Qt::red);
                const int bar = static_cast<int>(bits / 8.0 * bars.width() + 0.5);
                painter.fillRect(QRect(bars.left(), y, bar, 1), QColor::fromRgba(kEntropyColour));
            }
            if (const auto marked = vesperine::inspector::MarkerRowsOf(span, chosen_)) {
                const int top = marked->top;
                const int bottom = marked->bottom;
                const QColor marker = QColor::fromRgba(kMarkerColour);
                if (bottom - top >= 7) {
                    const QRect frame(0, top, kinds, bottom - top);
                    Frame(painter, frame, 1, Qt::black);
                    Frame(painter, frame.adjusted(1, 1, -1, -1), 2, marker);
                } else {
                    // A block thinner than a frame: brackets at the sides, 5 rows beyond it either
                    // way, so that neither it nor its neighbours are covered.
                    for (const int x : {0, kinds - 5}) {
                        painter.fillRect(QRect(x, top - 5, 5, bottom - top + 10), Qt::black);
                        painter.fillRect(QRect(x == 0 ? 1 : x, top - 4, 4, bottom - top + 8), marker);
                    }
                }
            }
        }
        painter.setPen(palette().mid().color());
        painter.drawRect(QRect(0, 0, kinds, height()).adjusted(0, 0, -1, -1));
        painter.drawRect(graph.adjusted(0, 0, -1, -1));
    }

    bool event(QEvent* event) override {
        if (event->type() == QEvent::ToolTip) {
            auto* help = static_cast<QHelpEvent*>(event);
            const int row = help->pos().y() >= 0 && help->pos().y() < height() && end_ > first_
                                ? ShownAt(help->pos().y()).first
                                : -1;
            if (row < 0) return QWidget::event(event);
            QToolTip::showText(
                help->globalPos(),
                QString::fromStdString(vesperine::inspector::BlockTip(blocks_[static_cast<std::size_t>(row)])), this);
            return true;
        }
        return QWidget::event(event);
    }

    void mousePressEvent(QMouseEvent* event) override {
        const int y = static_cast<int>(event->position().y());
        if (y >= 0 && y < height() && end_ > first_ && onClick) onClick(ShownAt(y).first);
    }

private:
    static constexpr int kGap = 4;

    [[nodiscard]] bool UnstableAt(int block) const {
        return static_cast<std::size_t>(block) < unstable_.size() && unstable_[static_cast<std::size_t>(block)] > 0;
    }
    [[nodiscard]] MapSpan Span() const { return {first_, end_, std::max(1, height())}; }
    // The block pixel row y (0 <= y < height, span not empty) shows, and its entropy.
    [[nodiscard]] std::pair<int, double> ShownAt(int y) const {
        const auto [block, entropy] = vesperine::inspector::ShownAt(blocks_, unstable_, Span(), y);
        return {block, entropy};
    }

    std::vector<Block> blocks_;
    std::vector<std::uint64_t> unstable_;
    int first_ = 0;
    int end_ = 0;
    int chosen_ = -1;
};

class MapPanel final : public InspectorPanel {
public:
    explicit MapPanel(InspectorServices& services) : InspectorPanel(services) {
        auto* layout = new QVBoxLayout(this);
        // The key as drawn swatches: rich text draws no border round a coloured span.
        // Two lines, the kinds and then what is drawn over them, so that the key never widens the window.
        auto* key = new QHBoxLayout;
        auto* overKey = new QHBoxLayout;
        const int swatchHeight = fontMetrics().height() * 3 / 4;
        const auto addKey = [&](QHBoxLayout* line, const QColor& colour, const QString& name) {
            auto* swatch = new QLabel(this);
            swatch->setPixmap(Swatch(colour, swatchHeight));
            line->addWidget(swatch);
            line->addWidget(new QLabel(name, this));
            line->addSpacing(swatchHeight);
        };
        for (const KindColour& entry : kColours)
            addKey(key, QColor::fromRgba(entry.colour), QString::fromLatin1(diagnosis::BlockKindName(entry.kind)));
        addKey(overKey, Qt::red, QStringLiteral("unstable bits (Reads)"));
        addKey(overKey, QColor::fromRgba(kMarkerColour), QStringLiteral("chosen block"));
        addKey(overKey, QColor::fromRgba(kEntropyColour), QStringLiteral("entropy at the right, 0 to 8 bits a byte"));
        key->addStretch(1);
        overKey->addStretch(1);
        summary_ = new QLabel(this);
        summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
        summary_->setWordWrap(true);
        auto* zoomRow = new QHBoxLayout;
        zoomIn_ = new QPushButton(QStringLiteral("&Zoom to selection"), this);
        zoomIn_->setObjectName(QStringLiteral("zoomToSelection"));
        zoomIn_->setToolTip(QStringLiteral("Draw the picture over the selected rows of the table only"));
        zoomOut_ = new QPushButton(QStringLiteral("&Whole dump"), this);
        zoomOut_->setObjectName(QStringLiteral("wholeDump"));
        zoomOut_->setToolTip(QStringLiteral("Draw the picture over the whole dump again"));
        span_ = new QLabel(this);
        zoomRow->addWidget(zoomIn_);
        zoomRow->addWidget(zoomOut_);
        zoomRow->addWidget(span_, 1);
        auto* row = new QHBoxLayout;
        picture_ = new BlockPicture(this);
        picture_->setObjectName(QStringLiteral("blockPicture"));
        table_ = new CopyTable({QStringLiteral(""), QStringLiteral("Offsets"), QStringLiteral("Bytes"),
                                QStringLiteral("What the block is"), QStringLiteral("Entropy")},
                               this);
        // The kinds take the room; the entropy is a short number.
        table_->horizontalHeader()->setSectionResizeMode(3, QHeaderView::Stretch);
        table_->horizontalHeader()->setSectionResizeMode(4, QHeaderView::ResizeToContents);
        table_->horizontalHeader()->setStretchLastSection(false);
        row->addWidget(picture_);
        row->addWidget(table_, 1);
        layout->addLayout(key);
        layout->addLayout(overKey);
        layout->addWidget(summary_);
        layout->addLayout(zoomRow);
        layout->addLayout(row, 1);
        picture_->onClick = [this](int block) {
            Jump(block);
            table_->selectRow(block);
            table_->scrollToItem(table_->item(block, 1), QAbstractItemView::PositionAtCenter);
        };
        // Enter on a row (and a click on one) goes where a click on the picture goes; moving
        // through the rows by the arrows only moves the marker.
        connect(table_, &QTableWidget::activated, this, [this](const QModelIndex& index) { Jump(index.row()); });
        connect(table_, &QTableWidget::cellClicked, this, [this](int r, int /*column*/) { Jump(r); });
        connect(table_, &QTableWidget::currentCellChanged, this,
                [this](int r, int /*column*/, int /*previousRow*/, int /*previousColumn*/) { picture_->Choose(r); });
        connect(table_, &QTableWidget::itemSelectionChanged, this, [this] { UpdateZoom(); });
        connect(zoomIn_, &QPushButton::clicked, this, [this] { ZoomToSelection(); });
        connect(zoomOut_, &QPushButton::clicked, this, [this] {
            picture_->ShowSpan(0, table_->rowCount());
            UpdateZoom();
        });
        UpdateZoom();
    }

    void Present(const Subject* subject) override {
        picture_->SetBlocks({}, {});
        table_->SetRows({});
        summary_->clear();
        offsets_.clear();
        UpdateZoom();
        if (!subject) return;
        const std::span<const std::uint8_t> bytes(subject->bytes.data(), subject->bytes.size());
        const std::uint64_t blockLength = diagnosis::BlockLengthFor(bytes.size());
        std::optional<std::vector<Block>> mapped;
        if (!services().RunTask(QStringLiteral("Mapping"),
                                [&](const ProgressPoll& poll) {
                                    mapped = diagnosis::MapBlocks(bytes, blockLength,
                                                                  InUnits(poll, ProgressUnit::BytesExamined));
                                }) ||
            !mapped)
            return;
        const std::vector<Block>& blocks = *mapped;
        summary_->setText(
            QString::fromStdString(vesperine::inspector::MapSummary(blocks.size(), blockLength, subject->dialogDump)));
        std::vector<std::uint64_t> unstable =
            vesperine::inspector::UnstablePerBlock(services().UnstableOf(subject), blockLength, blocks.size());
        const std::vector<QStringList> rows = QtRows(vesperine::inspector::MapRows(blocks, unstable));
        for (const Block& block : blocks) offsets_.push_back(block.offset);
        table_->SetRows(rows);
        for (int r = 0; r < table_->rowCount(); ++r) {
            const Block& block = blocks[static_cast<std::size_t>(r)];
            table_->item(r, 0)->setBackground(ColourOf(block.kind));
            table_->item(r, 0)->setToolTip(QString::fromStdString(vesperine::inspector::BlockRange(block) + ": " +
                                                                  vesperine::inspector::DescribeBlock(block)));
            table_->item(r, 4)->setToolTip(
                QStringLiteral("Shannon entropy in bits a byte: 0 for a fill, above 7 "
                               "for compressed or encrypted bytes, 8 at most"));
        }
        picture_->SetBlocks(std::move(blocks), std::move(unstable));
        UpdateZoom();
    }

private:
    // The dialog's dump pane to the start of block, when the subject is the dialog's dump.
    void Jump(int block) {
        const Subject* shown = subject();
        if (shown && shown->dialogDump && block >= 0 && static_cast<std::size_t>(block) < offsets_.size())
            services().JumpDialogDump(offsets_[static_cast<std::size_t>(block)]);
    }

    // The picture over the span from the first selected row to the last, each row a block.
    void ZoomToSelection() {
        const QList<QTableWidgetSelectionRange> ranges = table_->selectedRanges();
        if (ranges.isEmpty()) return;
        int first = ranges.front().topRow();
        int last = ranges.front().bottomRow();
        for (const QTableWidgetSelectionRange& range : ranges) {
            first = std::min(first, range.topRow());
            last = std::max(last, range.bottomRow());
        }
        picture_->ShowSpan(first, last + 1);
        UpdateZoom();
    }

    // The zoom buttons enabled when they would change the picture, and the span drawn named.
    void UpdateZoom() {
        zoomIn_->setEnabled(!table_->selectedRanges().isEmpty());
        zoomOut_->setEnabled(picture_->zoomed());
        const auto [first, end] = picture_->span();
        if (end <= first || static_cast<std::size_t>(end) > picture_->blocks().size()) {  // nothing drawn yet
            span_->clear();
            return;
        }
        span_->setText(QString::fromStdString(vesperine::inspector::SpanText(picture_->blocks(), first, end)));
    }

    QLabel* summary_ = nullptr;
    QLabel* span_ = nullptr;
    QPushButton* zoomIn_ = nullptr;
    QPushButton* zoomOut_ = nullptr;
    BlockPicture* picture_ = nullptr;
    CopyTable* table_ = nullptr;
    std::vector<std::uint64_t> offsets_;  // each row's first byte
};

}  // namespace

InspectorPanel* MakeMapPanel(InspectorServices& services) { return new MapPanel(services); }

}  // namespace vesperine::qt::inspector
