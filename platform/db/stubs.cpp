// Placeholder bodies so that the interface builds; replaced step by step.
#include "platform/db/database.h"
#include "platform/db/recordset.h"
#include "platform/db/datacontrol.h"
#include "platform/db/datagrid.h"

namespace platform::db {
namespace {
[[noreturn]] void notYet() { throw DbError(DbError::Io, QStringLiteral("尚未实现")); }
}
DataGrid::DataGrid(QWidget* parent) : QWidget(parent) {}
DataGrid::~DataGrid() = default;
void DataGrid::setDataSource(DataControl* control) { control_ = control; }
void DataGrid::rebind() {}
void DataGrid::setColumnWidthTwips(int, int) {}
int DataGrid::columnWidthTwips(int) const { return 0; }
void DataGrid::setColumnHidden(int, bool) {}
void DataGrid::setColumnLocked(int, bool) {}
bool DataGrid::isColumnLocked(int) const { return false; }
void DataGrid::setAllowUpdate(bool allow) { allowUpdate_ = allow; }
int DataGrid::columnCount() const { return 0; }
bool DataGrid::editCell(int, int, const QVariant&) { return false; }
bool DataGrid::chooseRow(int) { return false; }
void DataGrid::followRecordset() {}
void DataGrid::currentRowChosen(int) {}
}
