#pragma once
// A grid bound to a data control. Choosing a row moves the record set; a move
// of the record set selects the row. An edited row is stored when the user
// leaves it; a refused value is shown with the layer's message and not stored.

#include <QWidget>
#include <QPointer>
#include <cstdint>
#include <functional>

#include "platform/db/datacontrol.h"

class QLabel;
class QTableView;

namespace platform::db {

class DataControl;
class RecordsetModel;
class GridDelegate;

class DataGrid : public QWidget {
    Q_OBJECT
public:
    explicit DataGrid(QWidget* parent = nullptr);
    ~DataGrid() override;

    void setDataSource(DataControl* control);       // nullptr unbinds
    DataControl* dataSource() const { return control_; }
    void rebind();                                   // after the control was refreshed
    void setColumnWidthTwips(int column, int twips);
    int columnWidthTwips(int column) const;
    void setColumnHidden(int column, bool hidden);
    void setColumnLocked(int column, bool locked);
    bool isColumnLocked(int column) const;
    void setAllowUpdate(bool allow);
    bool allowUpdate() const { return allowUpdate_; }
    // An empty row after the last: typing into it adds a record, stored when the
    // user leaves the row.
    void setAllowAddNew(bool allow);
    bool allowAddNew() const { return allowAddNew_; }
    int columnCount() const;
    // A check of typed values on top of the field's own: it returns the
    // message that refuses a value (shown under the title "提示"), or "" to let
    // it through. Applies to every column; the column comes with the value.
    void setValueCheck(std::function<QString(int column, const QVariant& value)> check);
    // Takes a value still open in a cell editor into the row, as leaving the
    // cell would; false when it was refused (the message was shown).
    bool commitEditor();

    // The caption strip above the cells (about 330 twips high), shown while
    // the caption is not empty.
    void setCaption(const QString& caption);
    QString caption() const;
    // Key-down: the key code (46 Delete ...) and the shift state (1 Shift,
    // 2 Ctrl, 4 Alt) by reference; a handler that sets the key code to 0
    // keeps the key from the grid.
    using KeyDownHandler = std::function<void(int16_t& keyCode, int16_t& shift)>;
    void setKeyDownHandler(KeyDownHandler handler) { keyDown_ = std::move(handler); }
    // Mouse-down: button (1 left, 2 right, 4 middle), shift state, and the
    // position in twips from the grid's top-left corner, caption included.
    using MouseDownHandler = std::function<void(int button, int shift, int x, int y)>;
    void setMouseDownHandler(MouseDownHandler handler) { mouseDown_ = std::move(handler); }

    QTableView* view() const { return view_; }
    // Puts a typed value into a cell as the user would (tests and keyboard paths);
    // false when the value was refused (the message was shown).
    bool editCell(int row, int column, const QVariant& value);
    // Makes a row current as a click on it would; false when leaving the edited row failed.
    bool chooseRow(int row);

signals:
    // The user made a row current (a click or the keys), 0-based.
    void rowChosen(int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void followRecordset();
    void currentRowChosen(int row);
    // The message, then the keys go to the grid again.
    void tellRefused(const QString& text, const QString& title = {}, bool warning = true);

    QPointer<DataControl> control_;
    QLabel* caption_ = nullptr;
    QTableView* view_ = nullptr;
    KeyDownHandler keyDown_;
    MouseDownHandler mouseDown_;
    RecordsetModel* model_ = nullptr;
    GridDelegate* delegate_ = nullptr;
    std::function<QString(int, const QVariant&)> check_;
    bool lastEditRefused_ = false;
    bool allowUpdate_ = true;
    bool allowAddNew_ = false;
    bool syncing_ = false;
    std::vector<bool> locked_;
};

} // namespace platform::db
