// CopyTable: a read-only table that copies its selected rows as tab-separated text.
#include "platform/qt/inspector/copy_table.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <set>

namespace vesperine::qt::inspector {

CopyTable::CopyTable(const QStringList& headings, QWidget* parent)
    : QTableWidget(0, static_cast<int>(headings.size()), parent) {
    setHorizontalHeaderLabels(headings);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setWordWrap(false);
    verticalHeader()->setVisible(false);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    horizontalHeader()->setSectionResizeMode(static_cast<int>(headings.size()) - 1, QHeaderView::Stretch);
}

std::vector<QStringList> QtRows(const vesperine::inspector::Rows& rows) {
    std::vector<QStringList> out;
    out.reserve(rows.size());
    for (const vesperine::inspector::Row& row : rows) {
        QStringList& cells = out.emplace_back();
        for (const std::string& cell : row) cells << QString::fromStdString(cell);
    }
    return out;
}

void CopyTable::SetRows(const std::vector<QStringList>& rows) {
    clearContents();
    setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < rowCount(); ++r) {
        const QStringList& cells = rows[static_cast<std::size_t>(r)];
        for (int c = 0; c < columnCount() && c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setToolTip(cells[c]);
            setItem(r, c, item);
        }
    }
}

QString CopyTable::SelectedText() const {
    std::set<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedIndexes()) rows.insert(index.row());
    if (rows.empty())
        for (int r = 0; r < rowCount(); ++r) rows.insert(r);
    QStringList lines;
    for (int r : rows) {
        QStringList cells;
        // One line per row whatever a cell wraps over: its line breaks become "; ", its tabs spaces.
        for (int c = 0; c < columnCount(); ++c) {
            QString text = item(r, c) ? item(r, c)->text() : QString();
            text.replace(QLatin1Char('\t'), QLatin1Char(' '));
            text.replace(QLatin1Char('\n'), QStringLiteral("; "));
            cells << text;
        }
        lines << cells.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n'));
}

void CopyTable::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        QApplication::clipboard()->setText(SelectedText());
        return;
    }
    QTableWidget::keyPressEvent(event);
}

QLineEdit* MakeValueBox(QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setReadOnly(true);
    box->setFont(QFont(QStringLiteral("monospace")));
    return box;
}

}  // namespace vesperine::qt::inspector
