// Read-only tables and value boxes whose contents a person can select and copy.
#pragma once

#include <QLineEdit>
#include <QStringList>
#include <QTableWidget>
#include <vector>

#include "inspector/text.h"

namespace vesperine::qt::inspector {

// A table that nothing edits: rows are selected whole, Ctrl+C copies the selected rows as
// tab-separated lines, one line a row (what a spreadsheet or a bug report takes), and every cell's full text
// is its tooltip, so a value cut off by a narrow column can still be read.
class CopyTable final : public QTableWidget {
    Q_OBJECT

public:
    CopyTable(const QStringList& headings, QWidget* parent = nullptr);

    // Replaces the rows; each row has one text per heading.
    void SetRows(const std::vector<QStringList>& rows);
    // The selected rows as Ctrl+C copies them, all rows when none is selected.
    [[nodiscard]] QString SelectedText() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// The model's rows (UTF-8) as SetRows takes them.
[[nodiscard]] std::vector<QStringList> QtRows(const vesperine::inspector::Rows& rows);

// A value box: read-only, its text selectable and copyable, never edited.
[[nodiscard]] QLineEdit* MakeValueBox(QWidget* parent);

}  // namespace vesperine::qt::inspector
