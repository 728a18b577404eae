#pragma once
// An invisible data control: a connection text and a record source, opened by
// refresh(). Every control on the same file shares one connection.

#include "platform/db/database.h"
#include "platform/db/recordset.h"

#include <QObject>
#include <QPointer>
#include <memory>

namespace platform::db {

class DataControl : public QObject {
    Q_OBJECT
public:
    explicit DataControl(QObject* parent = nullptr);
    ~DataControl() override;

    void setConnectionString(const QString& text);  // parsed into path and password
    QString connectionString() const { return connection_; }
    void setCommandType(int type) { commandType_ = type; }  // 2 or 8; the layer decides
    int commandType() const { return commandType_; }
    // A table name or an SQL text; "" closes. Takes effect at refresh().
    // A pending edit of the open set is stored first.
    void setRecordSource(const QString& source);
    // An SQL text with "?" placeholders and the values they stand for.
    void setRecordSource(const QString& sql, const QVariantList& params);
    // An SQL text a user typed: opened as SqlOrigin::User (one query that only
    // reads, its work and rows bounded).
    void setTypedRecordSource(const QString& sql);
    QString recordSource() const { return source_; }
    void setCaption(const QString& caption);
    QString caption() const { return caption_; }
    void refresh();                                  // (re)opens the record set; throws DbError
    Recordset* recordset() { return recordset_.get(); }
    std::shared_ptr<Database> database() const { return db_; }
    void close();                                    // stores a pending edit, drops set and connection

signals:
    void willMove();        // forwarded from the record set
    void moveComplete();
    void captionChanged(const QString& caption);
    void recordsetChanged();   // a new record set was opened, or the set was closed

private:
    void closeSet();

    QString connection_;
    int commandType_ = 8;
    QString source_;
    QVariantList params_;
    SqlOrigin origin_ = SqlOrigin::Program;
    QString caption_;
    std::shared_ptr<Database> db_;
    std::unique_ptr<Recordset> recordset_;
};

} // namespace platform::db
