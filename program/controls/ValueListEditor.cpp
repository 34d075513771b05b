#include "controls/ValueListEditor.h"

#include <QHeaderView>
#include <QKeyEvent>

#include <algorithm>

namespace vorlantic {

namespace {

// Height of a row whose texts take one line.
constexpr int kRowHeight = 18;

}  // namespace

TValueListEditor::TValueListEditor(QWidget* parent) : QTableWidget(0, 2, parent) {
    SetTitles("Key", "Value");
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    // A key longer than its column wraps onto the lines it needs.
    setWordWrap(true);
    horizontalHeader()->setStretchLastSection(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::AllEditTriggers);
    connect(this, &QTableWidget::cellClicked, this, [this](int, int) { emit Click(); });
}

int TValueListEditor::InsertRow(const QString& key, const QString& value) {
    int row = rowCount();
    insertRow(row);
    auto* keyItem = new QTableWidgetItem(key);
    keyItem->setFlags(keyItem->flags() & ~Qt::ItemIsEditable);
    setItem(row, 0, keyItem);
    setItem(row, 1, new QTableWidgetItem(value));
    FitRow(row);
    return row + 1;
}

void TValueListEditor::FitRow(int index) { setRowHeight(index, std::max(kRowHeight, sizeHintForRow(index))); }

void TValueListEditor::DeleteRow(int row) {
    if (row >= 1 && row <= rowCount()) removeRow(row - 1);
}

void TValueListEditor::Clear() { setRowCount(0); }

QTableWidgetItem* TValueListEditor::Cell(int row, int column) const {
    if (row < 1 || row > rowCount()) return nullptr;
    return item(row - 1, column);
}

QString TValueListEditor::Key(int row) const {
    QTableWidgetItem* cell = Cell(row, 0);
    return cell ? cell->text() : QString();
}

QString TValueListEditor::Value(int row) const {
    QTableWidgetItem* cell = Cell(row, 1);
    return cell ? cell->text() : QString();
}

void TValueListEditor::SetKey(int row, const QString& key) {
    if (QTableWidgetItem* cell = Cell(row, 0)) {
        cell->setText(key);
        FitRow(row - 1);
    }
}

void TValueListEditor::SetValue(int row, const QString& value) {
    if (QTableWidgetItem* cell = Cell(row, 1)) cell->setText(value);
}

QString TValueListEditor::Values(const QString& key) const {
    for (int row = 1; row <= rowCount(); ++row)
        if (Key(row) == key) return Value(row);
    return QString();
}

void TValueListEditor::SetTitles(const QString& keyTitle, const QString& valueTitle) {
    setHorizontalHeaderLabels({keyTitle, valueTitle});
}

QString TValueListEditor::Title(int column) const {
    QTableWidgetItem* header = horizontalHeaderItem(column);
    return header ? header->text() : QString();
}

void TValueListEditor::SetColumnWidths(int keyWidth, int valueWidth) {
    setColumnWidth(0, keyWidth);
    setColumnWidth(1, valueWidth);
    for (int index = 0; index < rowCount(); ++index) FitRow(index);
}

void TValueListEditor::keyPressEvent(QKeyEvent* event) {
    bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    QTableWidget::keyPressEvent(event);
    emit KeyDown(enter ? kVkReturn : event->key());
}

bool TValueListEditor::CommitEdit() {
    for (int row = 0; row < rowCount(); ++row) {
        if (QWidget* editor = indexWidget(model()->index(row, 1))) {
            commitData(editor);
            QTableWidget::closeEditor(editor, QAbstractItemDelegate::NoHint);
            return true;
        }
    }
    return false;
}

// Enter in a cell being edited stores the text and closes the editor; the
// key then reaches the handlers as on the framework's editor. Every other
// close but Escape has stored the text too.
void TValueListEditor::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    QTableWidget::closeEditor(editor, hint);
    if (hint == QAbstractItemDelegate::SubmitModelCache)
        emit KeyDown(kVkReturn);
    else if (hint != QAbstractItemDelegate::RevertModelCache)
        emit EditClosed();
}

}  // namespace vorlantic
