// The tables the database knows, and the rows written through their rules.
#include "platform/db/database.h"

#include <QStringList>

#include <sqlite3.h>

namespace platform::db {

namespace {

QString declaredType(FieldType t) {
    switch (t) {
    case FieldType::Text:
    case FieldType::Memo: return QStringLiteral("TEXT COLLATE JET");
    case FieldType::Single:
    case FieldType::Double: return QStringLiteral("REAL");
    case FieldType::Integer:
    case FieldType::Long:
    case FieldType::Boolean: return QStringLiteral("INTEGER");
    case FieldType::Date: return QStringLiteral("TEXT");
    }
    return QStringLiteral("TEXT");
}

// The engine's rules kept by the file itself, so that an SQL text written past
// the record sets cannot break them either. Each constraint is named by the
// refusal it stands for and the field, which fail() turns into the message.
QString fieldRules(const FieldDef& f) {
    const QString q = quoteName(f.name);
    QString out;
    // (No "IN (...)" lists here: each would build a temporary table on every row written.)
    auto rule = [&](const char* kind, const QString& check) {
        out += QStringLiteral(" CONSTRAINT %1 CHECK(%2)")
                   .arg(quoteName(QLatin1String(kind) + QLatin1Char(' ') + f.name), check);
    };
    if (f.required)
        out += QStringLiteral(" CONSTRAINT %1 NOT NULL").arg(quoteName(QStringLiteral("RequiredNull ") + f.name));
    switch (f.type) {
    case FieldType::Text:
        rule("TypeMismatch", QStringLiteral("%1 IS NULL OR typeof(%1) = 'text'").arg(q));
        rule("TooLong", QStringLiteral("length(%1) <= %2").arg(q).arg(f.size));
        if (!f.allowZeroLength)
            rule("ZeroLength", QStringLiteral("length(%1) > 0").arg(q));
        break;
    case FieldType::Memo:
        rule("TypeMismatch", QStringLiteral("%1 IS NULL OR typeof(%1) = 'text'").arg(q));
        if (!f.allowZeroLength)
            rule("ZeroLength", QStringLiteral("length(%1) > 0").arg(q));
        break;
    case FieldType::Single:
    case FieldType::Double:
        rule("TypeMismatch", QStringLiteral("%1 IS NULL OR typeof(%1) = 'real' OR typeof(%1) = 'integer'").arg(q));
        if (f.type == FieldType::Single)
            rule("OutOfRange", QStringLiteral("abs(%1) <= 3.4028234663852886e38").arg(q));
        break;
    case FieldType::Integer:
    case FieldType::Long:
    case FieldType::Boolean: {
        rule("TypeMismatch", QStringLiteral("%1 IS NULL OR typeof(%1) = 'integer'").arg(q));
        const char* range = f.type == FieldType::Integer ? "-32768 AND 32767"
            : f.type == FieldType::Long ? "-2147483648 AND 2147483647" : "0 AND 1";
        rule("OutOfRange", QStringLiteral("%1 BETWEEN %2").arg(q, QLatin1String(range)));
        break;
    }
    case FieldType::Date:
        rule("TypeMismatch", QStringLiteral("%1 IS NULL OR date(%1) IS NOT NULL").arg(q));
        break;
    }
    return out;
}

// A field's column as the table's definition holds it.
QString columnText(const FieldDef& f) {
    return quoteName(f.name) + QLatin1Char(' ') + declaredType(f.type) + fieldRules(f);
}

QString createText(const QString& table, const QStringList& columns) {
    return QStringLiteral("CREATE TABLE %1 (%2)").arg(quoteName(table), columns.join(QStringLiteral(", ")));
}

} // namespace

// ---------------------------------------------------------------------------
// Schema

void Database::loadSchema() {
    tables_.clear();
    auto names = query(QStringLiteral("SELECT name FROM msys_tables ORDER BY rowid"));
    auto fields = query(QStringLiteral(
        "SELECT tbl, name, type, size, required, zerolength FROM msys_fields ORDER BY tbl, pos"));
    for (const auto& n : names) {
        TableDef def;
        def.name = n[0].toString();
        for (const auto& f : fields) {
            if (f[0].toString() != def.name)
                continue;
            FieldDef fd;
            fd.name = f[1].toString();
            fd.type = FieldType(f[2].toInt());
            fd.size = f[3].toInt();
            fd.required = f[4].toInt() != 0;
            fd.allowZeroLength = f[5].toInt() != 0;
            def.fields.push_back(fd);
        }
        tables_.push_back(std::move(def));
    }
}

const TableDef* Database::findTable(const QString& name) {
    for (int pass = 0; pass < 2; ++pass) {
        for (const TableDef& t : tables_)
            if (sameName(t.name, name))
                return &t;
        if (pass == 0)
            loadSchema();    // the other program may have made it meanwhile
    }
    return nullptr;
}

QStringList Database::tableNames() const {
    const_cast<Database*>(this)->loadSchema();
    QStringList names;
    for (const TableDef& t : tables_)
        names << t.name;
    return names;
}

bool Database::hasTable(const QString& name) const {
    return const_cast<Database*>(this)->findTable(name) != nullptr;
}

TableDef Database::tableDef(const QString& table) const {
    if (const TableDef* t = const_cast<Database*>(this)->findTable(table))
        return *t;
    throw DbError(DbError::NoSuchTable, QStringLiteral("数据库中没有表: %1").arg(table));
}

void Database::checkRulesKept(const QString& table) const {
    const TableDef def = tableDef(table);
    QStringList columns;
    for (const FieldDef& f : def.fields)
        columns << columnText(f);
    // The engine keeps a table's definition as the text that made it.
    const QVariant made = const_cast<Database*>(this)->scalar(
        QStringLiteral("SELECT sql FROM sqlite_master WHERE type='table' AND name=?"), {def.name});
    if (made.toString() != createText(def.name, columns))
        throw DbError(DbError::Damaged, QStringLiteral("数据库文件已损坏: %1").arg(path_));
}

void Database::createTable(const TableDef& def) {
    const QString name = def.name.trimmed();
    if (name.isEmpty() || name.startsWith(QLatin1String("msys_"), Qt::CaseInsensitive) || def.fields.empty())
        throw DbError(DbError::BadSql, QStringLiteral("表的定义有错: %1").arg(def.name));
    if (findTable(name) || !query(QStringLiteral("SELECT 1 FROM sqlite_master WHERE name = ? COLLATE NOCASE"),
                                  {name}).empty())
        throw DbError(DbError::AlreadyExists, QStringLiteral("表 %1 已经存在.").arg(name));
    QStringList columns;
    for (size_t i = 0; i < def.fields.size(); ++i) {
        const FieldDef& f = def.fields[i];
        if (f.name.trimmed().isEmpty() || f.name.compare(QLatin1String("rowid"), Qt::CaseInsensitive) == 0)
            throw DbError(DbError::BadSql, QStringLiteral("字段名有错: %1").arg(f.name));
        if (f.type == FieldType::Text && (f.size < 1 || f.size > 255))
            throw DbError(DbError::BadSql, QStringLiteral("字段 %1 的大小有错.").arg(f.name));
        for (size_t j = 0; j < i; ++j)
            if (sameName(def.fields[j].name, f.name))
                throw DbError(DbError::AlreadyExists, QStringLiteral("字段 %1 已经存在.").arg(f.name));
        columns << columnText(f);
    }
    Transaction t(*this);
    execute(createText(name, columns));
    execute(QStringLiteral("INSERT INTO msys_tables(name) VALUES (?)"), {name});
    for (size_t i = 0; i < def.fields.size(); ++i) {
        const FieldDef& f = def.fields[i];
        const int size = f.type == FieldType::Text ? f.size : 0;
        execute(QStringLiteral("INSERT INTO msys_fields VALUES (?, ?, ?, ?, ?, ?, ?)"),
                {name, int(i), f.name, int(f.type), size, f.required ? 1 : 0,
                 f.allowZeroLength ? 1 : 0});
    }
    t.commit();
    loadSchema();
}

void Database::dropTable(const QString& table) {
    const TableDef* def = findTable(table);
    if (!def)
        throw DbError(DbError::NoSuchTable, QStringLiteral("数据库中没有表: %1").arg(table));
    const QString name = def->name;
    // A cached statement on the table would keep it locked.
    dropRowStatements();
    finalizeIdle();
    Transaction t(*this);
    execute(QStringLiteral("DROP TABLE %1").arg(quoteName(name)));
    execute(QStringLiteral("DELETE FROM msys_tables WHERE name = ?"), {name});
    execute(QStringLiteral("DELETE FROM msys_fields WHERE tbl = ?"), {name});
    t.commit();
    loadSchema();
}

// ---------------------------------------------------------------------------
// Rows

void Database::dropRowStatements() {
    for (RowStatement* r : {&lastInsert_, &lastUpdate_, &lastDelete_}) {
        sqlite3_finalize(r->stmt);
        *r = RowStatement{};
    }
}

namespace {
struct ResetOnExit {
    sqlite3_stmt* stmt;
    ~ResetOnExit() {
        sqlite3_reset(stmt);
        sqlite3_clear_bindings(stmt);
    }
};

// "a"=? and so on for the fields a row must still hold: texts as stored (not
// without case), Singles as the record sets read them.
QString matchClause(const TableDef& def, const std::vector<int>& matched) {
    QString out;
    for (int f : matched) {
        const FieldDef& fd = def.fields[f];
        const QString q = quoteName(fd.name);
        if (fd.type == FieldType::Single)
            out += QStringLiteral(" AND msys_single(%1) IS ?").arg(q);
        else if (fd.type == FieldType::Text || fd.type == FieldType::Memo)
            out += QStringLiteral(" AND %1 IS ? COLLATE BINARY").arg(q);
        else
            out += QStringLiteral(" AND %1 IS ?").arg(q);
    }
    return out;
}

std::vector<int> slotKey(const std::vector<int>& fields, const std::vector<int>& matched) {
    std::vector<int> key = fields;
    key.push_back(-1);
    key.insert(key.end(), matched.begin(), matched.end());
    return key;
}

[[noreturn]] void rowGone(bool deleting) {
    throw DbError(DbError::RowChanged,
                  deleting ? QStringLiteral("找不到要删除的记录: 它已被别的用户或程序删除或修改过. 请重新读取数据.")
                           : QStringLiteral("找不到要修改的记录: 它已被别的用户或程序删除或修改过, 修改没有保存. 请重新读取数据."));
}
} // namespace

sqlite3_stmt* Database::rowStatement(RowStatement& slot, const TableDef& def, const std::vector<int>& fields,
                                    const std::function<QString()>& sql) {
    if (slot.stmt && slot.fields == fields && slot.table == def.name)
        return slot.stmt;
    sqlite3_finalize(slot.stmt);
    slot = RowStatement{};
    const QString text = sql();
    sqlite3_stmt* stmt = prepareOne(text, text);
    slot = RowStatement{def.name, fields, stmt};
    return stmt;
}

qint64 Database::insertChecked(const TableDef& def, const std::vector<int>& fields,
                               const std::vector<QVariant>& values) {
    checkWritable();
    sqlite3_stmt* stmt = rowStatement(lastInsert_, def, fields, [&] {
        // One row at a time: FAIL refuses as ABORT would but needs no statement journal,
        // which the table's rules would otherwise cost on every row.
        QString sql = QStringLiteral("INSERT OR FAIL INTO ") + quoteName(def.name);
        if (fields.empty())
            return sql + QStringLiteral(" DEFAULT VALUES");
        QStringList names, marks;
        for (int f : fields) {
            names << quoteName(def.fields[f].name);
            marks << QStringLiteral("?");
        }
        return sql + QStringLiteral(" (%1) VALUES (%2)").arg(names.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
    });
    ResetOnExit r{stmt};
    for (size_t i = 0; i < values.size(); ++i)
        bind(stmt, int(i) + 1, values[i]);
    const int rc = sqlite3_step(stmt);
    if (rc != SQLITE_DONE)
        fail(rc, QStringLiteral("INSERT"));
    return sqlite3_last_insert_rowid(db_);
}

void Database::updateChecked(const TableDef& def, qint64 rowid, const std::vector<int>& fields,
                             const std::vector<QVariant>& values, const std::vector<int>& matched,
                             const std::vector<QVariant>& expected) {
    if (fields.empty())
        return;
    checkWritable();
    sqlite3_stmt* stmt = rowStatement(lastUpdate_, def, slotKey(fields, matched), [&] {
        QStringList sets;
        for (int f : fields)
            sets << quoteName(def.fields[f].name) + QStringLiteral("=?");
        return QStringLiteral("UPDATE OR FAIL %1 SET %2 WHERE rowid=?%3")
            .arg(quoteName(def.name), sets.join(QLatin1Char(',')), matchClause(def, matched));
    });
    ResetOnExit r{stmt};
    int i = 1;
    for (const QVariant& v : values)
        bind(stmt, i++, v);
    sqlite3_bind_int64(stmt, i++, rowid);
    for (const QVariant& v : expected)
        bind(stmt, i++, v);
    const int rc = sqlite3_step(stmt);
    if (rc != SQLITE_DONE)
        fail(rc, QStringLiteral("UPDATE"));
    if (sqlite3_changes(db_) == 0)
        rowGone(false);
}

void Database::deleteChecked(const TableDef& def, qint64 rowid, const std::vector<int>& matched,
                             const std::vector<QVariant>& expected) {
    checkWritable();
    sqlite3_stmt* stmt = rowStatement(lastDelete_, def, slotKey({}, matched), [&] {
        return QStringLiteral("DELETE FROM %1 WHERE rowid=?%2").arg(quoteName(def.name), matchClause(def, matched));
    });
    ResetOnExit r{stmt};
    int i = 1;
    sqlite3_bind_int64(stmt, i++, rowid);
    for (const QVariant& v : expected)
        bind(stmt, i++, v);
    const int rc = sqlite3_step(stmt);
    if (rc != SQLITE_DONE)
        fail(rc, QStringLiteral("DELETE"));
    if (sqlite3_changes(db_) == 0)
        rowGone(true);
}

namespace {
std::vector<int> fieldIndexes(const TableDef& def, const QStringList& names) {
    std::vector<int> out;
    for (const QString& n : names) {
        int found = -1;
        for (size_t i = 0; i < def.fields.size(); ++i)
            if (sameName(def.fields[i].name, n.trimmed()))
                found = int(i);
        if (found < 0)
            throw DbError(DbError::NoSuchField, QStringLiteral("找不到字段: %1").arg(n));
        out.push_back(found);
    }
    return out;
}
} // namespace

qint64 Database::insertRow(const QString& table, const QStringList& fields, const QVariantList& values) {
    const TableDef def = tableDef(table);
    if (fields.size() != values.size())
        throw DbError(DbError::BadSql, QStringLiteral("字段个数与值的个数不符."));
    const std::vector<int> idx = fieldIndexes(def, fields);
    std::vector<QVariant> row(def.fields.size());
    for (size_t i = 0; i < idx.size(); ++i)
        row[idx[i]] = values[int(i)];
    std::vector<int> all;
    for (size_t i = 0; i < def.fields.size(); ++i) {
        row[i] = checkedValue(def.fields[i], row[i]);
        all.push_back(int(i));
    }
    return insertChecked(def, all, row);
}

void Database::updateRow(const QString& table, qint64 rowid, const QStringList& fields, const QVariantList& values) {
    const TableDef def = tableDef(table);
    if (fields.size() != values.size())
        throw DbError(DbError::BadSql, QStringLiteral("字段个数与值的个数不符."));
    const std::vector<int> idx = fieldIndexes(def, fields);
    std::vector<QVariant> checked;
    for (size_t i = 0; i < idx.size(); ++i)
        checked.push_back(checkedValue(def.fields[idx[i]], values[int(i)]));
    updateChecked(def, rowid, idx, checked);
}

void Database::deleteRow(const QString& table, qint64 rowid) {
    deleteChecked(tableDef(table), rowid, {}, {});
}

} // namespace platform::db
