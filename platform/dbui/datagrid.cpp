#include "platform/dbui/datagrid.h"

#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"
#include "platform/db/value_text.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/twips.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QDate>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace platform::db {

namespace {
// Until the common twips conversion lands: 15 twips per pixel at 96 DPI.
constexpr int kTwipsPerPixel = 15;
} // namespace

class RecordsetModel : public QAbstractTableModel {
public:
    explicit RecordsetModel(DataGrid* grid) : QAbstractTableModel(grid), grid_(grid) {}

    void setRecordset(Recordset* rs) {
        beginResetModel();
        rs_ = rs;
        endResetModel();
    }
    Recordset* recordset() const { return rs_; }
    void reset() {
        beginResetModel();
        endResetModel();
    }
    void rowChanged(int row) {
        if (row >= 0 && row < rowCount())
            emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() || !rs_ ? 0 : rs_->recordCount() + (isAdding() ? 1 : 0);
    }
    bool isAdding() const { return rs_ && grid_->allowAddNew() && rs_->isUpdatable(); }
    bool isNewRow(int row) const { return rs_ && row == rs_->recordCount(); }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() || !rs_ ? 0 : rs_->fieldCount();
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!rs_ || (role != Qt::DisplayRole && role != Qt::EditRole))
            return {};
        const QVariant v = isNewRow(index.row()) ? (rs_->isNewRow() ? rs_->value(index.column()) : QVariant())
                                                 : rs_->valueAt(index.row(), index.column());
        if (v.isNull())
            return QString();
        if (v.metaType().id() == QMetaType::QDate)
            return v.toDate().toString(QStringLiteral("yyyy-MM-dd"));
        // Numbers as the exports write them; the editor starts from the same text.
        return plainValueText(v, rs_->fieldType(index.column()));
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override {
        if (!rs_ || role != Qt::DisplayRole)
            return {};
        if (o == Qt::Horizontal)
            return section < rs_->fieldCount() ? rs_->fieldName(section) : QVariant();
        return {};
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        Qt::ItemFlags f = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
        if (rs_ && (grid_->allowUpdate() || isNewRow(index.row())) && !grid_->isColumnLocked(index.column())
            && rs_->fieldUpdatable(index.column()))
            f |= Qt::ItemIsEditable;
        return f;
    }
    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        if (role != Qt::EditRole)
            return false;
        // A cell left as it was shown is not written back: its text has the
        // field's digits only, and a double would lose what lies beyond them.
        if (!isNewRow(index.row()) && value.typeId() == QMetaType::QString
            && value.toString() == data(index, Qt::EditRole).toString())
            return true;
        return grid_->editCell(index.row(), index.column(), value);
    }

private:
    DataGrid* grid_;
    Recordset* rs_ = nullptr;
};

// Knows the editor open in a cell, so that the grid can take its value in
// before the panel's work reads the table.
class GridDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        open_ = editor;
        return editor;
    }
    QWidget* openEditor() const { return open_; }

private:
    mutable QPointer<QWidget> open_;
};

DataGrid::DataGrid(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    caption_ = new QLabel(this);
    caption_->setAlignment(Qt::AlignCenter);
    caption_->setFixedHeight(platform::twipsToPixels(330));
    caption_->setAutoFillBackground(true);
    caption_->hide();
    caption_->installEventFilter(this);
    layout->addWidget(caption_);
    view_ = new QTableView(this);
    model_ = new RecordsetModel(this);
    view_->setModel(model_);
    delegate_ = new GridDelegate(view_);
    view_->setItemDelegate(delegate_);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 6);
    layout->addWidget(view_);
    view_->installEventFilter(this);
    view_->viewport()->installEventFilter(this);
    view_->horizontalHeader()->viewport()->installEventFilter(this);
    connect(view_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (!syncing_ && current.isValid()) {
                    currentRowChosen(current.row());
                    emit rowChosen(current.row());
                }
            });
}

void DataGrid::setCaption(const QString& caption) {
    caption_->setText(caption);
    caption_->setVisible(!caption.isEmpty());
}

QString DataGrid::caption() const { return caption_->text(); }

namespace {
int16_t shiftState(Qt::KeyboardModifiers m) {
    return int16_t(((m & Qt::ShiftModifier) ? 1 : 0) | ((m & Qt::ControlModifier) ? 2 : 0) |
                   ((m & Qt::AltModifier) ? 4 : 0));
}
// The old key codes of the keys a handler looks at; others pass as Qt's.
int16_t keyCodeOf(int key) {
    switch (key) {
    case Qt::Key_Delete: return 46;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Tab: return 9;
    case Qt::Key_Backspace: return 8;
    default: return key >= 0x20 && key < 0x7f ? int16_t(key) : int16_t(key & 0x7fff);
    }
}
} // namespace

bool DataGrid::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched == view_ && keyDown_) {
        auto* k = static_cast<QKeyEvent*>(event);
        int16_t code = keyCodeOf(k->key());
        int16_t shift = shiftState(k->modifiers());
        keyDown_(code, shift);
        if (code == 0)
            return true;
    }
    if (event->type() == QEvent::MouseButtonPress && mouseDown_) {
        auto* m = static_cast<QMouseEvent*>(event);
        const QPoint at = static_cast<QWidget*>(watched)->mapTo(this, m->position().toPoint());
        const int button = m->button() == Qt::LeftButton ? 1 : m->button() == Qt::RightButton ? 2 : 4;
        mouseDown_(button, shiftState(m->modifiers()), platform::pixelsToTwips(at.x()), platform::pixelsToTwips(at.y()));
    }
    return QWidget::eventFilter(watched, event);
}

DataGrid::~DataGrid() = default;

void DataGrid::setDataSource(DataControl* control) {
    if (control_)
        disconnect(control_, nullptr, this, nullptr);
    control_ = control;
    if (control_)
        connect(control_, &DataControl::recordsetChanged, this, &DataGrid::rebind);
    rebind();
}

void DataGrid::rebind() {
    if (Recordset* old = model_->recordset())
        disconnect(old, nullptr, this, nullptr);
    Recordset* rs = control_ ? control_->recordset() : nullptr;
    model_->setRecordset(rs);
    locked_.assign(rs ? rs->fieldCount() : 0, false);
    if (!rs)
        return;
    connect(rs, &Recordset::rowsReset, this, [this] {
        model_->reset();
        followRecordset();
    });
    connect(rs, &Recordset::rowChanged, this, [this](int row) { model_->rowChanged(row); });
    connect(rs, &Recordset::moveComplete, this, &DataGrid::followRecordset);
    followRecordset();
}

void DataGrid::setAllowAddNew(bool allow) {
    allowAddNew_ = allow;
    model_->reset();
    followRecordset();
}

int DataGrid::columnCount() const { return model_->columnCount(); }

void DataGrid::setValueCheck(std::function<QString(int column, const QVariant& value)> check) {
    check_ = std::move(check);
}

bool DataGrid::commitEditor() {
    QWidget* editor = delegate_->openEditor();
    if (!editor || editor->isHidden())   // a closed editor is hidden until it goes
        return true;
    lastEditRefused_ = false;
    emit delegate_->commitData(editor);
    emit delegate_->closeEditor(editor, QAbstractItemDelegate::NoHint);
    return !lastEditRefused_;
}

void DataGrid::setColumnWidthTwips(int column, int twips) {
    view_->setColumnWidth(column, twips / kTwipsPerPixel);
}

int DataGrid::columnWidthTwips(int column) const { return view_->columnWidth(column) * kTwipsPerPixel; }

void DataGrid::setColumnHidden(int column, bool hidden) { view_->setColumnHidden(column, hidden); }

void DataGrid::setColumnLocked(int column, bool locked) {
    if (column < 0)
        return;
    if (column >= int(locked_.size()))
        locked_.resize(column + 1, false);
    locked_[column] = locked;
}

bool DataGrid::isColumnLocked(int column) const {
    return column >= 0 && column < int(locked_.size()) && locked_[column];
}

void DataGrid::setAllowUpdate(bool allow) {
    allowUpdate_ = allow;
    view_->setEditTriggers(allow ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                                       | QAbstractItemView::AnyKeyPressed
                                 : QAbstractItemView::NoEditTriggers);
}

void DataGrid::followRecordset() {
    Recordset* rs = model_->recordset();
    if (!rs)
        return;
    syncing_ = true;
    const int row = rs->currentIndex();
    if (row >= 0) {
        const int column = std::max(view_->currentIndex().column(), 0);
        const QModelIndex target = model_->index(row, column);
        view_->selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect);
        view_->scrollTo(target);
    } else {
        view_->selectionModel()->clearSelection();
    }
    syncing_ = false;
}

void DataGrid::currentRowChosen(int row) { chooseRow(row); }

bool DataGrid::chooseRow(int row) {
    Recordset* rs = model_->recordset();
    if (!rs || row < 0 || row >= rs->recordCount())
        return false;
    if (rs->currentIndex() == row)
        return true;
    bool stored = true;
    try {
        rs->setAbsolutePosition(row + 1);
        return true;
    } catch (const DbError& e) {
        stored = false;
        tellRefused(e.text());
        if (e.kind() == DbError::Busy) {
            // Another program holds the file for a moment: the edit stays on
            // its row, stored when the row is left again.
            followRecordset();
            return false;
        }
        // The row left is refused as edited: drop the edit, so that nothing of
        // it reaches the database and the user is not held on the row.
        rs->cancelUpdate();
    }
    try {
        rs->setAbsolutePosition(row + 1);
    } catch (const DbError&) {
    }
    return stored;
}

bool DataGrid::editCell(int row, int column, const QVariant& value) {
    Recordset* rs = model_->recordset();
    const bool newRow = allowAddNew_ && rs && row == rs->recordCount();
    if (!rs || !(allowUpdate_ || newRow) || isColumnLocked(column) || column < 0 || column >= rs->fieldCount()
        || !rs->fieldUpdatable(column))
        return false;
    if (newRow) {
        if (!rs->isNewRow()) {
            try {
                rs->addNew();
            } catch (const DbError& e) {
                // The row left could not be stored.
                tellRefused(e.text());
                rs->cancelUpdate();
                return false;
            }
        }
    } else if (rs->currentIndex() != row && !chooseRow(row)) {
        return false;
    }
    QVariant v = value;
    // An emptied cell is Null where the field takes no empty text.
    const FieldDef def = rs->fieldDef(column);
    const bool textField = def.type == FieldType::Text || def.type == FieldType::Memo;
    if (v.metaType().id() == QMetaType::QString && v.toString().trimmed().isEmpty()
        && (!textField || !def.allowZeroLength))
        v = QVariant();
    if (check_) {
        if (const QString refusal = check_(column, v); !refusal.isEmpty()) {
            lastEditRefused_ = true;
            tellRefused(refusal, platform::kPromptTitle, false);
            return false;
        }
    }
    try {
        rs->setValue(column, v);
    } catch (const DbError& e) {
        lastEditRefused_ = true;
        tellRefused(e.text());
        return false;
    }
    if (newRow)
        model_->rowChanged(row);
    return true;
}

void DataGrid::tellRefused(const QString& text, const QString& title, bool warning) {
    const bool hadFocus = view_->hasFocus() || view_->isAncestorOf(QApplication::focusWidget());
    platform::dialogs().message(text, platform::MsgButtons::Ok, title,
                                warning ? platform::MsgIcon::Warning : platform::MsgIcon::None);
    // The editor the user typed in is gone once the message closes; without this the
    // next keys (F2, typing) would go nowhere until the grid is clicked.
    if (hadFocus)
        QTimer::singleShot(0, view_, [view = view_] { view->setFocus(Qt::OtherFocusReason); });
}

} // namespace platform::db
