#include "platform/db/datacontrol.h"

namespace platform::db {

DataControl::DataControl(QObject* parent) : QObject(parent) {}

DataControl::~DataControl() {
    // The owner is already half destroyed: store, but tell no one.
    blockSignals(true);
    try {
        closeSet();
    } catch (const DbError&) {
    }
}

void DataControl::setConnectionString(const QString& text) {
    if (text == connection_)
        return;
    closeSet();
    connection_ = text;
    db_.reset();
}

void DataControl::setRecordSource(const QString& source) { setRecordSource(source, {}); }

void DataControl::setRecordSource(const QString& sql, const QVariantList& params) {
    if (recordset_)
        recordset_->update();   // a new record source leaves the current row
    source_ = sql;
    params_ = params;
    origin_ = SqlOrigin::Program;
    if (source_.trimmed().isEmpty())
        closeSet();
}

void DataControl::setTypedRecordSource(const QString& sql) {
    setRecordSource(sql, {});
    origin_ = SqlOrigin::User;
}

void DataControl::setCaption(const QString& caption) {
    if (caption == caption_)
        return;
    caption_ = caption;
    emit captionChanged(caption_);
}

void DataControl::closeSet() {
    if (!recordset_)
        return;
    recordset_->update();       // throws when the pending edit is refused; the set stays
    std::unique_ptr<Recordset> old = std::move(recordset_);
    emit recordsetChanged();
    old.reset();
}

void DataControl::refresh() {
    closeSet();
    if (source_.trimmed().isEmpty())
        return;
    if (!db_) {
        auto [path, password] = Database::parseConnectionText(connection_);
        db_ = Database::open(path, password);
    }
    recordset_ = std::make_unique<Recordset>(db_, source_, params_, nullptr, origin_);
    connect(recordset_.get(), &Recordset::willMove, this, &DataControl::willMove);
    connect(recordset_.get(), &Recordset::moveComplete, this, &DataControl::moveComplete);
    emit recordsetChanged();
    emit moveComplete();        // the first row became current
}

void DataControl::close() {
    closeSet();
    db_.reset();
}

} // namespace platform::db
