#include "platform/db/foreign_database.h"

#include "platform/text/system_errors.h"
#include "platform/text/whole_file.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sqlite3.h>

namespace platform::db {

namespace {

class SystemFile final : public ForeignDatabase {
public:
    explicit SystemFile(std::shared_ptr<Database> db) : db_(std::move(db)) {}
    Kind kind() const override { return Kind::ThisSystem; }
    QString path() const override { return db_->path(); }
    QStringList tableNames() const override { return db_->tableNames(); }
    std::vector<ForeignField> fields(const QString& table) const override {
        std::vector<ForeignField> out;
        for (const FieldDef& f : db_->tableDef(table).fields)
            out.push_back({f.name, f.type, f.size, typeName(f.type)});
        return out;
    }
    void readRows(const QString& table,
                  const std::function<bool(const QVariantList&)>& row) const override {
        const TableDef def = db_->tableDef(table);
        QString sql = QStringLiteral("SELECT ");
        for (size_t i = 0; i < def.fields.size(); ++i)
            sql += (i ? QStringLiteral(", ") : QString()) + quoteName(def.fields[i].name);
        if (def.fields.empty())
            sql += QStringLiteral("NULL");
        sql += QStringLiteral(" FROM ") + quoteName(def.name) + QStringLiteral(" ORDER BY rowid");
        sqlite3_stmt* st = db_->prepareOne(sql, sql);
        struct Finalize { sqlite3_stmt* s; ~Finalize() { sqlite3_finalize(s); } } guard{st};
        QVariantList values;
        for (;;) {
            const int rc = sqlite3_step(st);
            if (rc == SQLITE_DONE)
                return;
            if (rc != SQLITE_ROW)
                db_->fail(rc, def.name);
            values.clear();
            for (size_t i = 0; i < def.fields.size(); ++i) {
                QVariant v = Database::column(st, int(i), &def.fields[i]);
                if (v.metaType().id() == QMetaType::QDate)
                    v = v.toDate().startOfDay();
                values.push_back(v);
            }
            if (!row(values))
                return;
        }
    }
    std::shared_ptr<Database> database() const override { return db_; }

private:
    static QString typeName(FieldType t) {
        switch (t) {
        case FieldType::Text: return QStringLiteral("Text");
        case FieldType::Single: return QStringLiteral("Single");
        case FieldType::Integer: return QStringLiteral("Integer");
        case FieldType::Long: return QStringLiteral("Long");
        case FieldType::Double: return QStringLiteral("Double");
        case FieldType::Date: return QStringLiteral("DateTime");
        case FieldType::Memo: return QStringLiteral("Memo");
        case FieldType::Boolean: return QStringLiteral("Boolean");
        }
        return {};
    }
    std::shared_ptr<Database> db_;
};

} // namespace

QByteArray readDatabaseHead(const QString& path, qint64 size, qint64* length) {
    int error = 0;
    const int fd = openPlainFile(path, O_RDONLY, error);
    if (fd < 0) {
        if (error == ENOENT || error == ENOTDIR)
            throw DbError(DbError::NotFound, QStringLiteral("找不到数据库文件: %1").arg(path));
        throw DbError(DbError::Io, QStringLiteral("不能打开数据库文件: %1 (%2)").arg(path, systemErrorReason(error)));
    }
    QFile file;
    file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    const QByteArray head = file.read(size);
    if (file.error() != QFileDevice::NoError)
        throw DbError(DbError::Io, QStringLiteral("不能读取数据库文件: %1 (%2)").arg(path, fileErrorReason(file)));
    if (length)
        *length = file.size();
    return head;
}

std::unique_ptr<ForeignDatabase> ForeignDatabase::open(const QString& path) {
    const QByteArray head = readDatabaseHead(path, 32);
    if (head.startsWith(QByteArrayLiteral("SQLite format 3")))
        return std::make_unique<SystemFile>(Database::openReadOnly(path, QString()));
    if (head.size() >= 19 && head.mid(4, 15) == QByteArrayLiteral("Standard Jet DB"))
        return openJetFile(path);
    throw DbError(DbError::NotADatabase, QStringLiteral("不是可以读取的数据库文件: %1").arg(path));
}

int copyTable(const ForeignDatabase& source, const QString& table, Database& into, const QString& as) {
    const std::vector<ForeignField> fields = source.fields(table);
    std::vector<QVariantList> rows;
    std::vector<int> longest(fields.size(), 0);
    source.readRows(table, [&](const QVariantList& values) {
        for (size_t i = 0; i < fields.size() && i < size_t(values.size()); ++i)
            if (fields[i].type == FieldType::Text && values[i].isValid())
                longest[i] = std::max(longest[i], int(values[i].toString().size()));
        rows.push_back(values);
        return true;
    });
    TableDef def;
    def.name = as.isEmpty() ? table : as;
    for (size_t i = 0; i < fields.size(); ++i) {
        FieldDef f;
        f.name = fields[i].name;
        f.type = fields[i].type;
        f.size = std::max({fields[i].size, longest[i], 1});
        f.allowZeroLength = true;
        def.fields.push_back(f);
    }
    into.begin();
    try {
        into.createTable(def);
        const TableDef& made = *into.findTable(def.name);
        std::vector<int> all(made.fields.size());
        for (size_t i = 0; i < all.size(); ++i)
            all[i] = int(i);
        std::vector<QVariant> values(all.size());
        for (const QVariantList& r : rows) {
            for (size_t i = 0; i < all.size(); ++i)
                values[i] = i < size_t(r.size()) && r[i].metaType().id() != QMetaType::QByteArray
                                ? Database::checkedValue(made.fields[i], r[i])
                                : QVariant();
            into.insertChecked(made, all, values);
        }
        into.commit();
    } catch (...) {
        into.rollback();
        throw;
    }
    return int(rows.size());
}

} // namespace platform::db
