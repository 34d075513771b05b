// A two-column key/value editor in the manner of the framework's value-list
// editor: a title row with the two column titles, then one row per entry;
// the keys are fixed (a long one wraps), the values are edited in place. Data
// rows count from 1, as the title row is row 0.
#pragma once

#include <QString>
#include <QTableWidget>

namespace vorlantic {

// Key code of the Enter key as the key-down event reports it.
constexpr int kVkReturn = 13;

class TValueListEditor : public QTableWidget {
    Q_OBJECT

public:
    explicit TValueListEditor(QWidget* parent = nullptr);

    // Data rows (the title row not counted).
    int DataRowCount() const { return rowCount(); }
    // Appends a row; returns its number (from 1).
    int InsertRow(const QString& key, const QString& value);
    // Removes data row `row` (from 1); nothing outside the rows.
    void DeleteRow(int row);
    void Clear();

    // Key and value of data row `row` (from 1); empty outside the rows.
    QString Key(int row) const;
    QString Value(int row) const;
    void SetKey(int row, const QString& key);
    void SetValue(int row, const QString& value);
    // The value of the first row with that key; empty when none.
    QString Values(const QString& key) const;

    // Titles of the key and value columns.
    void SetTitles(const QString& keyTitle, const QString& valueTitle);
    QString Title(int column) const;
    void SetColumnWidths(int keyWidth, int valueWidth);

    // Stores the text of a value being edited and closes its editor, without
    // a signal; false when no editor is open.
    bool CommitEdit();

signals:
    // A cell was clicked.
    void Click();
    // A key went down in the editor or in a cell being edited (Enter as
    // kVkReturn, after the edited text has been stored).
    void KeyDown(int key);
    // An edited text was stored as its editor closed other than by Enter:
    // the focus moved on (a click elsewhere) or Tab.
    void EditClosed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    QTableWidgetItem* Cell(int row, int column) const;
    // Row `index` (from 0) as high as its wrapped key needs, one line at least.
    void FitRow(int index);
};

}  // namespace vorlantic
