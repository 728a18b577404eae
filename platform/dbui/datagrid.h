#pragma once
// A grid bound to a data control. Choosing a row moves the record set; a move
// of the record set selects the row. An edited row is stored when the user
// leaves it; a refused value is shown with the layer's message and not stored.

#include <QWidget>
#include <QPointer>

#include "platform/db/datacontrol.h"

class QTableView;

namespace platform::db {

class DataControl;
class RecordsetModel;

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
    int columnCount() const;

    QTableView* view() const { return view_; }
    // Puts a typed value into a cell as the user would (tests and keyboard paths);
    // false when the value was refused (the message was shown).
    bool editCell(int row, int column, const QVariant& value);
    // Makes a row current as a click on it would; false when leaving the edited row failed.
    bool chooseRow(int row);

private:
    void followRecordset();
    void currentRowChosen(int row);
    void tellRefused(const QString& text);   // the layer's message, then the keys go to the grid again

    QPointer<DataControl> control_;
    QTableView* view_ = nullptr;
    RecordsetModel* model_ = nullptr;
    bool allowUpdate_ = true;
    bool syncing_ = false;
    std::vector<bool> locked_;
};

} // namespace platform::db
