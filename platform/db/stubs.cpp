// Placeholder bodies so that the interface builds; replaced step by step.
#include "platform/db/database.h"
#include "platform/db/recordset.h"
#include "platform/db/datacontrol.h"
#include "platform/db/datagrid.h"

namespace platform::db {
namespace {
[[noreturn]] void notYet() { throw DbError(DbError::Io, QStringLiteral("尚未实现")); }
}
DbError::DbError(Kind kind, const QString& text) : std::runtime_error(text.toStdString()), kind_(kind), text_(text) {}
std::shared_ptr<Database> Database::create(const QString&, const QString&) { notYet(); }
std::shared_ptr<Database> Database::open(const QString&, const QString&) { notYet(); }
std::shared_ptr<Database> Database::openConnectionText(const QString&) { notYet(); }
std::pair<QString, QString> Database::parseConnectionText(const QString&) { notYet(); }
void Database::changePassword(const QString&, const QString&, const QString&) { notYet(); }
std::shared_ptr<Database> Database::openedAlready(const QString&) { return {}; }
Database::~Database() = default;
QString Database::path() const { return path_; }
QString Database::locale() const { notYet(); }
QStringList Database::tableNames() const { notYet(); }
bool Database::hasTable(const QString&) const { notYet(); }
TableDef Database::tableDef(const QString&) const { notYet(); }
void Database::createTable(const TableDef&) { notYet(); }
void Database::dropTable(const QString&) { notYet(); }
void Database::setPassword(const QString&, const QString&) { notYet(); }
bool Database::hasPassword() const { notYet(); }
void Database::begin() { notYet(); }
void Database::commit() { notYet(); }
void Database::rollback() { notYet(); }
bool Database::inTransaction() const { return false; }
int Database::execute(const QString&, const QVariantList&) { notYet(); }
std::vector<QVariantList> Database::query(const QString&, const QVariantList&) { notYet(); }
QVariant Database::scalar(const QString&, const QVariantList&) { notYet(); }
qint64 Database::insertRow(const QString&, const QStringList&, const QVariantList&) { notYet(); }
void Database::updateRow(const QString&, qint64, const QStringList&, const QVariantList&) { notYet(); }
void Database::deleteRow(const QString&, qint64) { notYet(); }
QVariant Database::checkedValue(const FieldDef&, const QVariant&) { notYet(); }
sqlite3_stmt* Database::prepared(const QString&) { notYet(); }
void Database::fail(int, const QString&) const { notYet(); }
Transaction::Transaction(Database& db) : db_(db) { db_.begin(); }
Transaction::~Transaction() { if (!done_) { try { db_.rollback(); } catch (...) {} } }
void Transaction::commit() { db_.commit(); done_ = true; }
QString quoteText(const QString& value) { QString v = value; v.replace(QLatin1Char('\''), QLatin1String("''")); return QLatin1Char('\'') + v + QLatin1Char('\''); }
int compareText(const QString&, const QString&) { notYet(); }

Recordset::Recordset(std::shared_ptr<Database> db, const QString& source, const QVariantList& params, QObject* parent)
    : QObject(parent), db_(std::move(db)), source_(source), params_(params) { notYet(); }
Recordset::~Recordset() = default;
int Recordset::fieldCount() const { notYet(); }
QString Recordset::fieldName(int) const { notYet(); }
int Recordset::fieldIndex(const QString&) const { notYet(); }
FieldType Recordset::fieldType(int) const { notYet(); }
int Recordset::fieldSize(int) const { notYet(); }
FieldDef Recordset::fieldDef(int) const { notYet(); }
bool Recordset::fieldUpdatable(int) const { notYet(); }
QVariant Recordset::value(int) const { notYet(); }
QVariant Recordset::value(const QString&) const { notYet(); }
void Recordset::setValue(int, const QVariant&) { notYet(); }
void Recordset::setValue(const QString&, const QVariant&) { notYet(); }
int Recordset::recordCount() const { notYet(); }
int Recordset::absolutePosition() const { notYet(); }
void Recordset::setAbsolutePosition(int) { notYet(); }
bool Recordset::bof() const { notYet(); }
bool Recordset::eof() const { notYet(); }
void Recordset::moveFirst() { notYet(); }
void Recordset::moveLast() { notYet(); }
void Recordset::moveNext() { notYet(); }
void Recordset::movePrevious() { notYet(); }
bool Recordset::find(const QString&, int, bool, bool) { notYet(); }
bool Recordset::findValue(const QString&, const QVariant&, int, bool) { notYet(); }
void Recordset::setSort(const QString&) { notYet(); }
void Recordset::setFilter(const QString&) { notYet(); }
void Recordset::addNew() { notYet(); }
void Recordset::addNew(const QStringList&, const QVariantList&) { notYet(); }
void Recordset::update() { notYet(); }
void Recordset::cancelUpdate() { notYet(); }
bool Recordset::isDirty() const { notYet(); }
void Recordset::deleteCurrent() { notYet(); }
void Recordset::requery() { notYet(); }
void Recordset::close() { notYet(); }
QVariant Recordset::valueAt(int, int) const { notYet(); }
int Recordset::currentIndex() const { notYet(); }

DataControl::DataControl(QObject* parent) : QObject(parent) {}
DataControl::~DataControl() = default;
void DataControl::setConnectionString(const QString& text) { connection_ = text; }
void DataControl::setRecordSource(const QString& source) { source_ = source; }
void DataControl::setRecordSource(const QString& sql, const QVariantList& params) { source_ = sql; params_ = params; }
void DataControl::setCaption(const QString& caption) { caption_ = caption; emit captionChanged(caption); }
void DataControl::refresh() { notYet(); }
void DataControl::close() {}
void DataControl::closeSet() {}

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
