#include "app/stringgrid.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QLineEdit>
#include <QPalette>
#include <QToolTip>

#include <algorithm>
#include <limits>
#include <utility>

#include "common/sjis.h"
#include "entry/paste.h"

namespace ca {
namespace {

QString FromSjis(const std::string& s) { return QString::fromStdString(SjisToUtf8(s)); }

}  // namespace

// ---- GridItemModel ----

GridItemModel::GridItemModel(GridModel& grid, QObject* parent) : QAbstractTableModel(parent), grid_(grid) {
    grid_.SetObserver(this);
}

GridItemModel::~GridItemModel() { grid_.SetObserver(nullptr); }

int GridItemModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : grid_.RowCount() - grid_.FixedRows();
}

int GridItemModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : grid_.ColCount() - grid_.FixedCols();
}

QVariant GridItemModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
    return FromSjis(grid_.Cell(GridCol(index), GridRow(index)));
}

bool GridItemModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    return role == Qt::EditRole && SetCellText(index, value.toString());
}

bool GridItemModel::SetCellText(const QModelIndex& index, const QString& text, std::string* bad) {
    if (!index.isValid()) return false;
    const std::string& old = grid_.Cell(GridCol(index), GridRow(index));
    std::string sjis;
    if (!EditSjisText(old, text.toStdString(), sjis, bad)) return false;
    if (old != sjis) grid_.SetCell(GridCol(index), GridRow(index), std::move(sjis));
    return true;
}

QVariant GridItemModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role == Qt::TextAlignmentRole) return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal)
        return grid_.FixedRows() > 0 ? FromSjis(grid_.Cell(section + grid_.FixedCols(), 0)) : QString();
    return grid_.FixedCols() > 0 ? FromSjis(grid_.Cell(0, section + grid_.FixedRows())) : QString();
}

Qt::ItemFlags GridItemModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

QModelIndex GridItemModel::IndexOf(int col, int row) const {
    return index(row - grid_.FixedRows(), col - grid_.FixedCols());
}

void GridItemModel::Suspend() { grid_.SetObserver(nullptr); }

void GridItemModel::Resume() {
    grid_.SetObserver(this);
    GridReset();
}

void GridItemModel::GridReset() {
    beginResetModel();
    endResetModel();
    emit gridReset();
}

void GridItemModel::CellChanged(int col, int row) {
    if (row < grid_.FixedRows() && col >= grid_.FixedCols()) {
        emit headerDataChanged(Qt::Horizontal, col - grid_.FixedCols(), col - grid_.FixedCols());
    } else if (col < grid_.FixedCols() && row >= grid_.FixedRows()) {
        emit headerDataChanged(Qt::Vertical, row - grid_.FixedRows(), row - grid_.FixedRows());
    } else if (row < grid_.RowCount() && col < grid_.ColCount()) {
        const QModelIndex i = IndexOf(col, row);
        emit dataChanged(i, i);
    }
}

void GridItemModel::CurrentChanged(int col, int row) { emit currentCellChanged(col, row); }

// ---- LiveCellDelegate ----

QWidget* LiveCellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const {
    auto* editor = new QLineEdit(parent);
    editor->setFrame(false);
    editor->setMaxLength(std::numeric_limits<int>::max());  // a cell has no length limit
    editor_ = editor;
    emit opened(index, editor);
    auto* model = qobject_cast<GridItemModel*>(const_cast<QAbstractItemModel*>(index.model()));
    const QPersistentModelIndex where(index);
    QObject::connect(editor, &QLineEdit::textEdited, editor, [this, editor, model, where](const QString& text) {
        if (!where.isValid() || !model) return;
        std::string bad;
        if (model->SetCellText(where, text, &bad)) {
            editor->setProperty("accepted", text);
            return;
        }
        // Refuse the character: the cell and the editor keep their text.
        const int cursor = editor->cursorPosition();
        const QString kept = editor->property("accepted").toString();
        editor->setText(kept);
        editor->setCursorPosition(std::min<int>(cursor - (text.size() - kept.size()), kept.size()));
        emit refused(QString::fromUtf8("文字 \"%1\" は Shift_JIS (コードページ 932) で表せないため入力できません")
                         .arg(QString::fromStdString(bad)),
                     editor);
    });
    return editor;
}

void LiveCellDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    auto* line = static_cast<QLineEdit*>(editor);
    const QString text = index.data(Qt::EditRole).toString();
    line->setProperty("accepted", text);
    if (line->text() != text) line->setText(text);
}

void LiveCellDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const {
    model->setData(index, static_cast<QLineEdit*>(editor)->property("accepted").toString(), Qt::EditRole);
}

// ---- StringGrid ----

StringGrid::StringGrid(GridModel& grid, QWidget* parent) : QTableView(parent), model_(grid), delegate_(this) {
    setModel(&model_);
    setItemDelegate(&delegate_);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    // Every trigger but the delayed one on a selected cell: while its timer
    // runs the view would take typed keys as a search instead of cell text.
    setEditTriggers(QAbstractItemView::CurrentChanged | QAbstractItemView::DoubleClicked |
                   QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    setShowGrid(true);
    setCornerButtonEnabled(false);
    setTabKeyNavigation(false);
    for (QHeaderView* h : {horizontalHeader(), verticalHeader()}) {
        h->setSectionResizeMode(QHeaderView::Fixed);
        h->setSectionsMovable(false);
        h->setSectionsClickable(false);
        h->setHighlightSections(false);
    }
    connect(&model_, &GridItemModel::gridReset, this, [this] {
        editStart_ = {};  // a reset closes the editor
        ApplyGeometry();
        FollowCurrent(model_.Grid().CurrentCol(), model_.Grid().CurrentRow());
    });
    connect(&model_, &GridItemModel::currentCellChanged, this, &StringGrid::FollowCurrent);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& now) {
        if (following_ || !now.isValid()) return;
        model_.Grid().SetCurrent(model_.GridCol(now), model_.GridRow(now));
    });
    connect(&delegate_, &LiveCellDelegate::opened, this, [this](const QModelIndex& index, QWidget* editor) {
        const int col = model_.GridCol(index), row = model_.GridRow(index);
        editStart_ = {col, row, model_.Grid().Cell(col, row)};
        editor->installEventFilter(this);
    });
    connect(&delegate_, &LiveCellDelegate::refused, this, [this](const QString& message, QWidget* editor) {
        lastRefusal_ = message;
        QToolTip::showText(editor->mapToGlobal(QPoint(0, editor->height())), message, editor);
    });
    ApplyGeometry();
}

void StringGrid::FinishEdit() {
    if (editStart_.col < 0) return;
    std::string now = model_.Grid().Cell(editStart_.col, editStart_.row);
    if (now == editStart_.text) return;
    std::string before = std::exchange(editStart_.text, std::move(now));
    if (cellEdited) cellEdited(editStart_.col, editStart_.row, std::move(before));
}

void StringGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    FinishEdit();
    editStart_ = {};
    QTableView::closeEditor(editor, hint);
}

bool StringGrid::TableKey(QKeyEvent* event, bool shortcutOverride) {
    const bool redo = event->matches(QKeySequence::Redo) ||
                      event->keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_Y) ||
                      event->keyCombination() == QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z);
    const bool undo = !redo && event->matches(QKeySequence::Undo);
    auto* line = qobject_cast<QLineEdit*>(Editor());
    QString pasted;
    bool paste = false, copy = false;
    if (event->matches(QKeySequence::Paste)) {
        pasted = QGuiApplication::clipboard()->text();
        paste = !line || IsBlock(pasted.toStdString());
    } else if (event->matches(QKeySequence::Copy)) {
        // A part of the text chosen in the editor is the editor's to copy.
        copy = !line || !line->hasSelectedText() || line->selectedText() == line->text();
    }
    if (!undo && !redo && !paste && !copy) return false;
    if (shortcutOverride) return true;  // the key comes as a key press, not to the editor's own shortcut
    if (undo) emit undoRequested();
    if (redo) emit redoRequested();
    if (paste) emit pasteRequested(pasted);
    if (copy) {
        const GridModel& g = model_.Grid();
        QGuiApplication::clipboard()->setText(FromSjis(g.Cell(g.CurrentCol(), g.CurrentRow())));
    }
    return true;
}

bool StringGrid::eventFilter(QObject* watched, QEvent* event) {
    if ((event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) && watched == Editor()) {
        const bool override = event->type() == QEvent::ShortcutOverride;
        if (TableKey(static_cast<QKeyEvent*>(event), override)) {
            event->accept();
            return !override;  // an accepted override still brings the key press
        }
    }
    return QTableView::eventFilter(watched, event);
}

void StringGrid::keyPressEvent(QKeyEvent* event) {
    if (TableKey(event, false)) return;
    const QString text = event->text();
    const bool printable = !text.isEmpty() && text.at(0).isPrint() &&
                           !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (printable && state() != QAbstractItemView::EditingState && currentIndex().isValid() &&
        edit(currentIndex(), QAbstractItemView::AnyKeyPressed, event))
        return;
    QTableView::keyPressEvent(event);
}

void StringGrid::mouseReleaseEvent(QMouseEvent* event) {
    QTableView::mouseReleaseEvent(event);
    const QModelIndex at = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && at.isValid() && at == currentIndex() &&
        state() != QAbstractItemView::EditingState)
        edit(at);
}

void StringGrid::ApplyGeometry() {
    GridModel& g = model_.Grid();
    horizontalHeader()->setFont(font());  // headings in the grid's own face
    verticalHeader()->setFont(font());
    horizontalHeader()->setVisible(g.FixedRows() > 0);
    verticalHeader()->setVisible(g.FixedCols() > 0);
    verticalHeader()->setFixedWidth(g.ColWidth(0));
    // Setting a default size walks every section, a reset does not need it again.
    if (verticalHeader()->defaultSectionSize() != g.DefaultRowHeight())
        verticalHeader()->setDefaultSectionSize(g.DefaultRowHeight());
    horizontalHeader()->setFixedHeight(g.DefaultRowHeight());
    if (horizontalHeader()->defaultSectionSize() != g.DefaultColWidth())
        horizontalHeader()->setDefaultSectionSize(g.DefaultColWidth());
    // Only the columns given a width of their own, now or in the table
    // before (a reset keeps section sizes): a grid may have millions.
    const int sized = std::max(0, std::min(g.ColCount(), g.ColWidthsEnd()) - g.FixedCols());
    for (int s = 0; s < std::max(sized, sizedColumns_); ++s) setColumnWidth(s, g.ColWidth(s + g.FixedCols()));
    sizedColumns_ = sized;
}

void StringGrid::FollowCurrent(int col, int row) {
    following_ = true;
    const QModelIndex i = model_.IndexOf(col, row);
    if (i.isValid()) setCurrentIndex(i);
    following_ = false;
}

void StringGrid::EditCurrent() {
    const QModelIndex i = model_.IndexOf(model_.Grid().CurrentCol(), model_.Grid().CurrentRow());
    if (!i.isValid() || !isVisible()) return;
    FollowCurrent(model_.Grid().CurrentCol(), model_.Grid().CurrentRow());  // closes an editor elsewhere
    if (state() == QAbstractItemView::EditingState && delegate_.OpenEditor()) {
        delegate_.OpenEditor()->setFocus();
        return;
    }
    edit(i);
}

}  // namespace ca
