// The data-entry grid on screen: an item model over the grid model, a view
// whose heading row and column are Qt's headers, and an editor that writes
// every keystroke into the cell at once.
#pragma once

#include <QAbstractTableModel>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableView>

#include <functional>
#include <string>

#include "entry/grid.h"

namespace ca {

class GridItemModel : public QAbstractTableModel, public GridModel::Observer {
    Q_OBJECT
public:
    explicit GridItemModel(GridModel& grid, QObject* parent = nullptr);
    ~GridItemModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    GridModel& Grid() { return grid_; }
    // The cell takes the text left in its editor. What the user did not edit
    // keeps its bytes; false, with the character in `bad`, when the edit holds
    // one that code page 932 cannot hold.
    bool SetCellText(const QModelIndex& index, const QString& text, std::string* bad = nullptr);
    // Grid position of a model index, and back.
    int GridCol(const QModelIndex& index) const { return index.column() + grid_.FixedCols(); }
    int GridRow(const QModelIndex& index) const { return index.row() + grid_.FixedRows(); }
    QModelIndex IndexOf(int col, int row) const;

    // Stops following the grid cell by cell (for handlers that rewrite much
    // of it); Resume shows the whole grid anew.
    void Suspend();
    void Resume();

    void GridReset() override;
    void CellChanged(int col, int row) override;
    void CurrentChanged(int col, int row) override;

signals:
    void gridReset();
    void currentCellChanged(int col, int row);

private:
    GridModel& grid_;
};

// Writes what is typed into the cell as it is typed; a character that code
// page 932 cannot hold is refused at once and the cell keeps its text.
class LiveCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

    // The editor opened last, while it is open.
    QWidget* OpenEditor() const { return editor_; }

signals:
    void refused(const QString& message, QWidget* editor) const;
    void opened(const QModelIndex& index, QWidget* editor) const;

private:
    mutable QPointer<QWidget> editor_;
};

class StringGrid : public QTableView {
    Q_OBJECT
public:
    StringGrid(GridModel& grid, QWidget* parent);
    GridItemModel& Model() { return model_; }
    // The message shown for the last refused character (empty if none).
    const QString& LastRefusal() const { return lastRefusal_; }
    // Opens the in-place editor on the current cell.
    void EditCurrent();
    // The in-place editor while it is open.
    QWidget* Editor() const { return delegate_.OpenEditor(); }
    // Ends the edit of the cell whose editor is open as one change: where
    // its text differs from when the editor opened, `cellEdited` hears of it.
    // The editor stays open.
    void FinishEdit();
    std::function<void(int col, int row, std::string before)> cellEdited;

signals:
    // Undo, redo (Ctrl+Z; Ctrl+Shift+Z or Ctrl+Y), and Ctrl+V of text that
    // holds tabs or line ends, or of any text while no editor is open.
    void undoRequested();
    void redoRequested();
    void pasteRequested(const QString& text);

protected:
    // A printable key always edits the current cell; the view's type-to-search
    // never moves it. A click on the current cell opens its editor at once.
    void keyPressEvent(QKeyEvent* event) override;
    void keyboardSearch(const QString&) override {}
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The table's keys, in the editor as on the grid; true when taken.
    bool TableKey(QKeyEvent* event, bool shortcutOverride);
    void ApplyGeometry();
    void FollowCurrent(int col, int row);

    GridItemModel model_;
    LiveCellDelegate delegate_;
    QString lastRefusal_;
    struct EditStart {
        int col = -1, row = -1;
        std::string text;
    } editStart_;
    bool following_ = false;
    int sizedColumns_ = 0;  // view columns [0, this) may have been given a width of their own
};

}  // namespace ca
