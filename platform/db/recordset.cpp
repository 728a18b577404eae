#include "platform/db/recordset.h"

#include "platform/db/jetsql.h"
#include "platform/db/recordset_parts.h"
#include "platform/db/textorder.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>

#include <algorithm>
#include <climits>
#include <optional>
#include <sqlite3.h>

namespace platform::db {

namespace recordset_parts {

bool isTextType(FieldType t) { return t == FieldType::Text || t == FieldType::Memo; }

QString unbracket(QString name) {
    name = name.trimmed();
    if (name.size() >= 2 && ((name.front() == u'[' && name.back() == u']')
                             || (name.front() == u'"' && name.back() == u'"')
                             || (name.front() == u'`' && name.back() == u'`')))
        name = name.mid(1, name.size() - 2);
    return name;
}

[[noreturn]] void noCurrent() {
    throw DbError(DbError::NoCurrentRecord, QStringLiteral("没有当前记录."));
}

bool isNumber(const QVariant& v) {
    switch (v.metaType().id()) {
    case QMetaType::Int: case QMetaType::LongLong: case QMetaType::Float: case QMetaType::Double:
    case QMetaType::Bool: case QMetaType::UInt: case QMetaType::ULongLong: case QMetaType::Short:
        return true;
    default: return false;
    }
}

int compareValues(const QVariant& a, const QVariant& b) {
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull() ? 0 : (a.isNull() ? -1 : 1);
    if (isNumber(a) && isNumber(b)) {
        const double x = a.toDouble(), y = b.toDouble();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    const int ta = a.metaType().id(), tb = b.metaType().id();
    if (ta == tb && (ta == QMetaType::QDate || ta == QMetaType::QDateTime)) {
        if (ta == QMetaType::QDate)
            return a.toDate() < b.toDate() ? -1 : (b.toDate() < a.toDate() ? 1 : 0);
        return a.toDateTime() < b.toDateTime() ? -1 : (b.toDateTime() < a.toDateTime() ? 1 : 0);
    }
    const int c = compareText(a.toString(), b.toString());
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

} // namespace recordset_parts

namespace {

// Whether a cell of this storage class, typed later from what the engine gave,
// comes out as Database::column would type it now; the rest is typed now.
bool keptAsReadFor(const FieldDef* def, int kind) {
    if (!def)
        return kind == SQLITE_INTEGER || kind == SQLITE_FLOAT || kind == SQLITE_TEXT;
    switch (def->type) {
    case FieldType::Text:
    case FieldType::Memo: return kind == SQLITE_TEXT;
    case FieldType::Single:
    case FieldType::Double: return kind == SQLITE_FLOAT || kind == SQLITE_INTEGER;
    case FieldType::Integer:
    case FieldType::Long:
    case FieldType::Boolean: return kind == SQLITE_INTEGER;
    default: return false;
    }
}

} // namespace


// ---------------------------------------------------------------------------
// Opening

Recordset::Recordset(std::shared_ptr<Database> db, const QString& source, const QVariantList& params,
                     QObject* parent, SqlOrigin origin)
    : QObject(parent), db_(std::move(db)), source_(source), params_(params), origin_(origin) {
    adopt(read());
    rebuildOrder();
    cur_ = 0;
    db_->noteRecordset(this);
}

Recordset::~Recordset() {
    try {
        storePending();
    } catch (const DbError&) {
    }
    db_->forget(this);
}

Recordset::Loaded Recordset::read() const {
    try {
        return readRows();
    } catch (const std::bad_alloc&) {
        // Memory running out ends this query, not the program.
        throw DbError(DbError::TooMuchWork, QStringLiteral("内存不足, 查询的结果太大. 请加上条件, 缩小查询的范围."));
    }
}

Recordset::Loaded Recordset::readRows() const {
    const QString text = source_.trimmed();
    if (text.isEmpty())
        throw DbError(DbError::BadSql, QStringLiteral("没有记录源."));
    Loaded out;
    QString sql;
    // A text the user typed is read with the old engine's arithmetic too.
    const auto translated = [this](const QString& t) {
        return origin_ == SqlOrigin::User ? typedToSqliteSql(t) : toSqliteSql(t);
    };
    bool withRowid = false;
    // The row id is read after the fields, so that "order by 2" means the second field.
    if (const TableDef* t = db_->findTable(recordset_parts::unbracket(text))) {
        out.isTable = true;
        out.base = *t;
        out.baseTable = t->name;
        QStringList names;
        for (size_t i = 0; i < t->fields.size(); ++i) {
            names << quoteName(t->fields[i].name);
            out.columns.push_back(Column{t->fields[i].name, t->fields[i], true, int(i)});
        }
        sql = QStringLiteral("SELECT %1, rowid FROM %2 ORDER BY rowid").arg(names.join(u','), quoteName(t->name));
        withRowid = true;
    } else {
        static const QRegularExpression select(
            QStringLiteral(R"(^\s*select\s+(.*?)\s+from\s+(\[[^\]]+\]|"[^"]+"|[^\s,()\[\]"]+)\s*((?:where|order\s+by)\b.*)?$)"),
            QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
        static const QRegularExpression notOneTable(
            QStringLiteral(R"(^\s*(distinct|top)\b|\b(group\s+by|union|join|having)\b|\b(count|sum|avg|min|max)\s*\()"),
            QRegularExpression::CaseInsensitiveOption);
        const bool query = text.startsWith(QLatin1String("select"), Qt::CaseInsensitive)
            || (origin_ == SqlOrigin::User && text.startsWith(QLatin1String("with"), Qt::CaseInsensitive));
        if (!query)
            throw DbError(DbError::NoSuchTable, QStringLiteral("数据库中没有表: %1").arg(text));
        sql = translated(text);
        const auto m = select.match(sql);
        if (m.hasMatch() && !notOneTable.match(m.captured(1)).hasMatch()
            && !notOneTable.match(m.captured(3)).hasMatch()) {
            if (const TableDef* t = db_->findTable(recordset_parts::unbracket(m.captured(2)))) {
                out.base = *t;
                out.baseTable = t->name;
                // On a line of its own: the list may end in a "--" note.
                sql = sql.left(m.capturedEnd(1)) + QStringLiteral("\n, rowid AS msys_rowid") + sql.mid(m.capturedEnd(1));
                withRowid = true;
            }
        }
    }
    std::optional<Database::WorkLimit> limit;
    if (origin_ == SqlOrigin::User)
        limit.emplace(*db_);
    sqlite3_stmt* stmt = nullptr;
    try {
        stmt = db_->prepareOne(sql, text);
    } catch (const DbError& e) {
        if (!withRowid || out.isTable || e.kind() != DbError::BadSql)
            throw;
        // Not a plain single-table select after all: run it as written, read-only.
        out.baseTable.clear();
        withRowid = false;
        sql = translated(text);
        stmt = db_->prepareOne(sql, text);
    }
    const int last = sqlite3_column_count(stmt) - 1;
    if (withRowid && !out.isTable && (last < 0 || qstrcmp(sqlite3_column_name(stmt, last), "msys_rowid") != 0)) {
        // The row id did not land where it was put: run the text as written, read-only.
        sqlite3_finalize(stmt);
        out.baseTable.clear();
        withRowid = false;
        sql = translated(text);
        stmt = db_->prepareOne(sql, text);
    }
    struct Finalize { sqlite3_stmt* s; ~Finalize() { sqlite3_finalize(s); } } fin{stmt};
    if (origin_ == SqlOrigin::User && !sqlite3_stmt_readonly(stmt))
        throw DbError(DbError::ReadOnly, QStringLiteral("这里只能执行查询语句, 不能修改数据: %1").arg(text));
    for (int i = 0; i < params_.size(); ++i)
        Database::bind(stmt, i + 1, params_[i]);
    const int n = sqlite3_column_count(stmt) - (withRowid ? 1 : 0);
    if (!out.isTable) {
        bool anyUpdatable = false;
        for (int c = 0; c < n; ++c) {
            Column col;
            col.name = QString::fromUtf8(sqlite3_column_name(stmt, c));
            col.def.name = col.name;
            const char* tn = sqlite3_column_table_name(stmt, c);
            const char* on = sqlite3_column_origin_name(stmt, c);
            if (tn && on) {
                const QString table = QString::fromUtf8(tn), origin = QString::fromUtf8(on);
                if (const TableDef* t = db_->findTable(table)) {
                    for (size_t i = 0; i < t->fields.size(); ++i) {
                        if (!sameName(t->fields[i].name, origin))
                            continue;
                        col.def = t->fields[i];
                        col.typed = true;
                        if (!out.baseTable.isEmpty() && sameName(t->name, out.baseTable)) {
                            col.baseField = int(i);
                            anyUpdatable = true;
                        }
                    }
                }
            }
            if (!col.typed) {
                // A computed column: its type comes from its declaration or its values.
                col.def.type = FieldType::Double;
            }
            out.columns.push_back(col);
        }
        if (!anyUpdatable)
            out.baseTable.clear();
    }
    // Bounded, so that a runaway query (a join of a table with itself) ends with a
    // message instead of taking all memory.
    const qint64 maxRows = std::min(kMaxRows, kMaxCells / std::max(n, 1));
    qint64 bytes = 0;
    int rc;
    {
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            if (qint64(out.rows.size()) >= maxRows)
                throw DbError(DbError::TooMuchWork,
                              QStringLiteral("查询的结果太大 (超过 %1 条记录), 已经停止. 请加上条件, 缩小查询的范围.")
                                  .arg(maxRows));
            if (origin_ == SqlOrigin::User) {
                for (int c = 0; c < n; ++c) {
                    const int type = sqlite3_column_type(stmt, c);
                    if (type == SQLITE_TEXT || type == SQLITE_BLOB)
                        bytes += sqlite3_column_bytes(stmt, c);
                }
                if (bytes > kMaxTypedBytes)
                    throw DbError(DbError::TooMuchWork,
                                  QStringLiteral("查询的结果太大, 已经停止. 请加上条件, 缩小查询的范围."));
            }
            Row row;
            row.rowid = withRowid ? sqlite3_column_int64(stmt, n) : 0;
            row.values.resize(n);
            row.rawAt = out.rawCells.size();
            for (int c = 0; c < n; ++c) {
                const Column& col = out.columns[c];
                RawCell& raw = out.rawCells.emplace_back();
                raw.kind = quint8(sqlite3_column_type(stmt, c));
                if (raw.kind == SQLITE_NULL)
                    continue;
                if (c >= 64 || !keptAsReadFor(col.typed ? &col.def : nullptr, raw.kind)) {
                    row.values[c] = Database::column(stmt, c, col.typed ? &col.def : nullptr);
                    continue;
                }
                if (raw.kind == SQLITE_INTEGER) {
                    raw.integer = sqlite3_column_int64(stmt, c);
                } else if (raw.kind == SQLITE_FLOAT) {
                    raw.real = sqlite3_column_double(stmt, c);
                } else {
                    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
                    raw.size = quint32(sqlite3_column_bytes(stmt, c));
                    raw.at = out.cellBytes.size();
                    out.cellBytes.append(p, raw.size);
                }
                row.raw |= quint64(1) << c;
            }
            out.rows.push_back(std::move(row));
        }
    }
    if (rc != SQLITE_DONE)
        db_->fail(rc, text);
    if (limit)
        limit->checkComplete();
    if (!out.isTable) {
        for (Column& col : out.columns) {
            if (col.typed)
                continue;
            const int idx = int(&col - out.columns.data());
            for (const Row& r : out.rows) {
                const RawCell& raw = out.rawCells[r.rawAt + idx];
                if (raw.kind == SQLITE_NULL)
                    continue;
                const bool number = idx < 64 && (r.raw >> idx & 1) ? raw.kind != SQLITE_TEXT : recordset_parts::isNumber(r.values[idx]);
                col.def.type = number ? FieldType::Double : FieldType::Text;
                break;
            }
        }
    }
    return out;
}

void Recordset::adopt(Loaded&& loaded) {
    base_ = std::move(loaded.base);
    baseTable_ = std::move(loaded.baseTable);
    isTable_ = loaded.isTable;
    columns_ = std::move(loaded.columns);
    rows_ = std::move(loaded.rows);
    rawCells_ = std::move(loaded.rawCells);
    cellBytes_ = std::move(loaded.cellBytes);
    fieldIndexes_.clear();
    addNames_.clear();
    addFields_.clear();
    indexes_.clear();
    positionsValid_ = false;
    matched_.clear();
    fieldTwice_ = false;
    for (size_t c = 0; c < columns_.size(); ++c) {
        const int f = columns_[c].baseField;
        if (f < 0)
            continue;
        if (std::none_of(matched_.begin(), matched_.end(), [f](const auto& m) { return m.first == f; }))
            matched_.emplace_back(f, int(c));
        else
            fieldTwice_ = true;
    }
}

void Recordset::rereadAfterRollback() noexcept {
    const qint64 keep = currentRow() ? currentRow()->rowid : 0;
    // Edits pending in the undone work go with it.
    dirty_ = false;
    adding_ = false;
    try {
        adopt(read());
        rebuildOrderOrDropCriteria();
        cur_ = 0;
        for (size_t i = 0; i < order_.size(); ++i)
            if (rows_[order_[i]].rowid == keep)
                cur_ = int(i);
        stale_ = false;
    } catch (...) {
        // Nothing the file may no longer hold stays on show; writes wait for a requery.
        rows_.clear();
        order_.clear();
        indexes_.clear();
        positionsValid_ = false;
        cur_ = 0;
        stale_ = true;
    }
    onDeleted_ = false;
    try {
        emit rowsReset();
        emit moveComplete();
    } catch (...) {
    }
}

void Recordset::checkUsable() const {
    if (stale_)
        throw DbError(DbError::Stale, QStringLiteral("数据已经改变, 请重新读取后再修改."));
}

std::optional<DbError> Recordset::rebuildOrderOrDropCriteria() {
    try {
        rebuildOrder();
        return std::nullopt;
    } catch (const DbError& e) {
        filter_.clear();
        sort_.clear();
        rebuildOrder();
        return e;
    }
}

void Recordset::rebuildOrder() {
    order_.clear();
    positionsValid_ = false;
    std::optional<Criteria> crit;
    if (!filter_.trimmed().isEmpty())
        crit = parseCriteria(filter_);
    for (size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].rowid < 0)
            continue;       // deleted
        if (crit && !rowMatches(rows_[i], *crit))
            continue;
        order_.push_back(int(i));
    }
    if (sort_.trimmed().isEmpty())
        return;
    std::vector<std::pair<int, bool>> keys;
    for (const QString& part : sort_.split(u',', Qt::SkipEmptyParts)) {
        QString p = part.trimmed();
        bool desc = false;
        static const QRegularExpression dir(QStringLiteral(R"(\s+(asc|desc)$)"), QRegularExpression::CaseInsensitiveOption);
        const auto m = dir.match(p);
        if (m.hasMatch()) {
            desc = m.captured(1).compare(QLatin1String("desc"), Qt::CaseInsensitive) == 0;
            p = p.left(m.capturedStart()).trimmed();
        }
        keys.emplace_back(needField(recordset_parts::unbracket(p)), desc);
    }
    std::stable_sort(order_.begin(), order_.end(), [&](int a, int b) {
        for (const auto& [f, desc] : keys) {
            const int c = recordset_parts::compareValues(cell(rows_[a], f), cell(rows_[b], f));
            if (c != 0)
                return desc ? c > 0 : c < 0;
        }
        return false;
    });
}

// ---------------------------------------------------------------------------
// Cells

const QVariant& Recordset::cell(const Row& row, int field) const {
    if (field >= 64 || !(row.raw >> field & 1))
        return row.values[field];
    const RawCell& raw = rawCells_[row.rawAt + field];
    const Column& col = columns_[field];
    QVariant& v = row.values[field];
    if (raw.kind == SQLITE_TEXT) {
        v = QString::fromUtf8(cellBytes_.data() + raw.at, raw.size);
    } else if (!col.typed) {
        if (raw.kind == SQLITE_FLOAT)
            v = raw.real;
        else if (raw.integer >= INT_MIN && raw.integer <= INT_MAX)
            v = int(raw.integer);
        else
            v = raw.integer;
    } else {
        const double real = raw.kind == SQLITE_FLOAT ? raw.real : double(raw.integer);
        switch (col.def.type) {
        case FieldType::Single: v = float(real); break;
        case FieldType::Double: v = real; break;
        case FieldType::Boolean: v = raw.integer != 0; break;
        default: v = int(raw.integer); break;
        }
    }
    row.raw &= ~(quint64(1) << field);
    return v;
}

std::vector<QVariant>& Recordset::typedValues(const Row& row) const {
    for (int f = 0; row.raw != 0; ++f)
        cell(row, f);
    return row.values;
}

// ---------------------------------------------------------------------------
// Fields

int Recordset::fieldCount() const { return int(columns_.size()); }

int Recordset::checkedField(int i) const {
    if (i < 0 || i >= int(columns_.size()))
        throw DbError(DbError::NoSuchField, QStringLiteral("找不到字段: %1").arg(i));
    return i;
}

int Recordset::needField(const QString& name) const {
    const int i = fieldIndex(name);
    if (i < 0)
        throw DbError(DbError::NoSuchField, QStringLiteral("找不到字段: %1").arg(name));
    return i;
}

QString Recordset::fieldName(int i) const { return columns_[checkedField(i)].name; }

int Recordset::fieldIndex(const QString& name) const {
    // Looked up for every assignment by name: keep a map rather than compare names.
    if (fieldIndexes_.isEmpty())
        for (size_t i = columns_.size(); i-- > 0;)
            fieldIndexes_.insert(columns_[i].name, int(i));   // the first of equal names wins
    if (auto it = fieldIndexes_.constFind(name); it != fieldIndexes_.constEnd())
        return it.value();
    const QString n = recordset_parts::unbracket(name);
    for (size_t i = 0; i < columns_.size(); ++i)
        if (sameName(columns_[i].name, n))
            return int(i);
    return -1;
}

FieldType Recordset::fieldType(int i) const { return columns_[checkedField(i)].def.type; }
int Recordset::fieldSize(int i) const { return columns_[checkedField(i)].def.size; }
FieldDef Recordset::fieldDef(int i) const { return columns_[checkedField(i)].def; }
bool Recordset::fieldUpdatable(int i) const { return columns_[checkedField(i)].baseField >= 0; }

const Recordset::Row* Recordset::currentRow() const {
    if (onDeleted_ || cur_ < 0 || cur_ >= int(order_.size()))
        return nullptr;
    return &rows_[order_[cur_]];
}

QVariant Recordset::value(int i) const {
    checkedField(i);
    if (adding_ || dirty_)
        return edit_[i];
    const Row* r = currentRow();
    if (!r)
        recordset_parts::noCurrent();
    return cell(*r, i);
}

QVariant Recordset::value(const QString& name) const { return value(needField(name)); }

void Recordset::requireUpdatable(int field) const {
    if (baseTable_.isEmpty() || columns_[field].baseField < 0)
        throw DbError(DbError::ReadOnly, QStringLiteral("字段 %1 不能修改.").arg(columns_[field].name));
}

void Recordset::setValue(int i, const QVariant& v) {
    checkedField(i);
    requireUpdatable(i);
    checkUsable();
    if (!adding_ && !dirty_) {
        const Row* r = currentRow();
        if (!r)
            recordset_parts::noCurrent();
        edit_ = typedValues(*r);
        touched_.assign(columns_.size(), false);
    }
    // The value is converted and checked now; Required is checked when the row is stored.
    edit_[i] = v.isNull() ? QVariant() : Database::checkedValue(columns_[i].def, v);
    touched_[i] = true;
    // A field listed twice ("select 姓名, * ...") shows the new value in both places.
    if (fieldTwice_)
        for (size_t c = 0; c < columns_.size(); ++c)
            if (int(c) != i && columns_[i].baseField >= 0 && columns_[c].baseField == columns_[i].baseField)
                edit_[c] = edit_[i];
    dirty_ = true;
    if (!adding_)
        emit rowChanged(cur_);
}

void Recordset::setValue(const QString& name, const QVariant& v) { setValue(needField(name), v); }

bool Recordset::isDirty() const { return dirty_; }

} // namespace platform::db
