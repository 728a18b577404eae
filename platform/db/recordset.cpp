#include "platform/db/recordset.h"

#include "platform/db/jetsql.h"
#include "platform/db/textorder.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>

#include <algorithm>
#include <cstring>
#include <optional>
#include <sqlite3.h>

namespace platform::db {

namespace {

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

[[noreturn]] void badCriteria(const QString& text) {
    throw DbError(DbError::BadCriteria, QStringLiteral("查找条件有错: %1").arg(text));
}

bool isNumber(const QVariant& v) {
    switch (v.metaType().id()) {
    case QMetaType::Int: case QMetaType::LongLong: case QMetaType::Float: case QMetaType::Double:
    case QMetaType::Bool: case QMetaType::UInt: case QMetaType::ULongLong: case QMetaType::Short:
        return true;
    default: return false;
    }
}

// Order of two stored values of one column: Null first, texts in the database's text order.
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

} // namespace

// ---------------------------------------------------------------------------
// Criteria: terms "field op value" joined by And (and Or, which binds weaker).

struct Recordset::Criteria {
    enum Op { Eq, Ne, Lt, Gt, Le, Ge, Like, IsNull, NotNull };
    struct Term {
        int field = -1;
        Op op = Eq;
        QVariant literal;
        QString pattern;           // for Like
    };
    std::vector<std::vector<Term>> anyOf;
};

Recordset::Criteria Recordset::parseCriteria(const QString& text) const {
    Criteria c;
    std::vector<Criteria::Term> all;
    const qsizetype n = text.size();
    qsizetype p = 0;
    auto skipBlanks = [&] { while (p < n && text[p].isSpace()) ++p; };
    auto word = [&](const char* w) {
        const QString ws = QString::fromLatin1(w);
        if (text.mid(p, ws.size()).compare(ws, Qt::CaseInsensitive) != 0)
            return false;
        const qsizetype e = p + ws.size();
        if (e < n && (text[e].isLetterOrNumber() || text[e] == u'_'))
            return false;
        p = e;
        return true;
    };
    skipBlanks();
    if (p >= n)
        badCriteria(text);
    while (true) {
        Criteria::Term t;
        // field name
        skipBlanks();
        QString name;
        if (p < n && text[p] == u'[') {
            const qsizetype e = text.indexOf(u']', p);
            if (e < 0)
                badCriteria(text);
            name = text.mid(p + 1, e - p - 1);
            p = e + 1;
        } else {
            const qsizetype s = p;
            while (p < n && !text[p].isSpace() && !QStringLiteral("=<>!").contains(text[p]))
                ++p;
            name = text.mid(s, p - s);
        }
        t.field = fieldIndex(unbracket(name));
        if (t.field < 0)
            throw DbError(DbError::NoSuchField, QStringLiteral("找不到字段: %1").arg(name));
        // operator
        skipBlanks();
        auto two = text.mid(p, 2);
        if (two == QLatin1String("<=")) { t.op = Criteria::Le; p += 2; }
        else if (two == QLatin1String(">=")) { t.op = Criteria::Ge; p += 2; }
        else if (two == QLatin1String("<>") || two == QLatin1String("!=")) { t.op = Criteria::Ne; p += 2; }
        else if (p < n && text[p] == u'=') { t.op = Criteria::Eq; ++p; }
        else if (p < n && text[p] == u'<') { t.op = Criteria::Lt; ++p; }
        else if (p < n && text[p] == u'>') { t.op = Criteria::Gt; ++p; }
        else if (word("like")) { t.op = Criteria::Like; }
        else if (word("is")) {
            skipBlanks();
            t.op = word("not") ? Criteria::NotNull : Criteria::IsNull;
            skipBlanks();
            if (!word("null"))
                badCriteria(text);
        } else {
            badCriteria(text);
        }
        // value
        if (t.op != Criteria::IsNull && t.op != Criteria::NotNull) {
            skipBlanks();
            if (p >= n)
                badCriteria(text);
            const QChar q = text[p];
            if (q == u'\'' || q == u'"' || q == u'#') {
                QString v;
                ++p;
                while (true) {
                    if (p >= n)
                        badCriteria(text);
                    if (text[p] == q) {
                        if (q != u'#' && p + 1 < n && text[p + 1] == q) {
                            v += q;
                            p += 2;
                            continue;
                        }
                        ++p;
                        break;
                    }
                    v += text[p++];
                }
                t.literal = v;
            } else if (word("null")) {
                t.literal = QVariant();
            } else {
                const qsizetype s = p;
                while (p < n && !text[p].isSpace())
                    ++p;
                bool ok = false;
                const double d = QLocale::c().toDouble(text.mid(s, p - s), &ok);
                if (!ok)
                    badCriteria(text);
                t.literal = d;
            }
            const Column& col = columns_[t.field];
            if (t.op == Criteria::Like) {
                t.pattern = t.literal.toString();
            } else if (!t.literal.isNull() && col.typed && !isTextType(col.def.type)) {
                // The value as the field would hold it, so that 85.3 meets a Single 85.3.
                FieldDef loose = col.def;
                loose.required = false;
                loose.allowZeroLength = true;
                try {
                    t.literal = Database::checkedValue(loose, t.literal);
                } catch (const DbError&) {
                    badCriteria(text);
                }
            }
        }
        all.push_back(std::move(t));
        skipBlanks();
        if (p >= n) {
            c.anyOf.push_back(std::move(all));
            break;
        }
        if (word("and"))
            continue;
        if (word("or")) {
            c.anyOf.push_back(std::move(all));
            all.clear();
            continue;
        }
        badCriteria(text);
    }
    return c;
}

bool Recordset::rowMatches(const Row& row, const Criteria& c) const {
    for (const auto& group : c.anyOf) {
        bool ok = true;
        for (const auto& t : group) {
            const QVariant& v = row.values[t.field];
            bool m;
            switch (t.op) {
            case Criteria::IsNull: m = v.isNull(); break;
            case Criteria::NotNull: m = !v.isNull(); break;
            case Criteria::Like: m = !v.isNull() && jetLike(v.toString(), t.pattern); break;
            default: {
                if (v.isNull() || t.literal.isNull()) {
                    m = false;
                    break;
                }
                int r;
                const Column& col = columns_[t.field];
                if ((col.typed && isTextType(col.def.type)) || (!col.typed && !isNumber(v)))
                    r = compareText(v.toString(), t.literal.toString());
                else
                    r = compareValues(v, t.literal);
                switch (t.op) {
                case Criteria::Eq: m = r == 0; break;
                case Criteria::Ne: m = r != 0; break;
                case Criteria::Lt: m = r < 0; break;
                case Criteria::Gt: m = r > 0; break;
                case Criteria::Le: m = r <= 0; break;
                default: m = r >= 0; break;
                }
            }
            }
            if (!m) {
                ok = false;
                break;
            }
        }
        if (ok)
            return true;
    }
    return false;
}

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
    bool withRowid = false;
    // The row id is read after the fields, so that "order by 2" means the second field.
    if (const TableDef* t = db_->findTable(unbracket(text))) {
        out.isTable = true;
        out.base = *t;
        out.baseTable = t->name;
        QStringList names;
        for (size_t i = 0; i < t->fields.size(); ++i) {
            QString q = t->fields[i].name;
            q.replace(u'"', QStringLiteral("\"\""));
            names << u'"' + q + u'"';
            out.columns.push_back(Column{t->fields[i].name, t->fields[i], true, int(i)});
        }
        QString tq = t->name;
        tq.replace(u'"', QStringLiteral("\"\""));
        sql = QStringLiteral("SELECT %1, rowid FROM \"%2\" ORDER BY rowid").arg(names.join(u','), tq);
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
        sql = toSqliteSql(text);
        const auto m = select.match(sql);
        if (m.hasMatch() && !notOneTable.match(m.captured(1)).hasMatch()
            && !notOneTable.match(m.captured(3)).hasMatch()) {
            if (const TableDef* t = db_->findTable(unbracket(m.captured(2)))) {
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
        sql = toSqliteSql(text);
        stmt = db_->prepareOne(sql, text);
    }
    const int last = sqlite3_column_count(stmt) - 1;
    if (withRowid && !out.isTable && (last < 0 || qstrcmp(sqlite3_column_name(stmt, last), "msys_rowid") != 0)) {
        // The row id did not land where it was put: run the text as written, read-only.
        sqlite3_finalize(stmt);
        out.baseTable.clear();
        withRowid = false;
        sql = toSqliteSql(text);
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
            row.values.reserve(n);
            for (int c = 0; c < n; ++c) {
                const Column& col = out.columns[c];
                row.values.push_back(Database::column(stmt, c, col.typed ? &col.def : nullptr));
            }
            out.rows.push_back(std::move(row));
        }
    }
    if (rc != SQLITE_DONE)
        db_->fail(rc, text);
    if (!out.isTable) {
        for (Column& col : out.columns) {
            if (col.typed)
                continue;
            const int idx = int(&col - out.columns.data());
            for (const Row& r : out.rows) {
                if (r.values[idx].isNull())
                    continue;
                col.def.type = isNumber(r.values[idx]) ? FieldType::Double : FieldType::Text;
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
    fieldIndexes_.clear();
    indexes_.clear();
    positionsValid_ = false;
    matched_.clear();
    for (size_t c = 0; c < columns_.size(); ++c) {
        const int f = columns_[c].baseField;
        if (f >= 0 && std::none_of(matched_.begin(), matched_.end(), [f](const auto& m) { return m.first == f; }))
            matched_.emplace_back(f, int(c));
    }
}

void Recordset::rereadAfterRollback() noexcept {
    const qint64 keep = currentRow() ? currentRow()->rowid : 0;
    // Edits pending in the undone work go with it.
    dirty_ = false;
    adding_ = false;
    try {
        adopt(read());
        try {
            rebuildOrder();
        } catch (const DbError&) {
            filter_.clear();
            sort_.clear();
            rebuildOrder();
        }
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
        keys.emplace_back(needField(unbracket(p)), desc);
    }
    std::stable_sort(order_.begin(), order_.end(), [&](int a, int b) {
        for (const auto& [f, desc] : keys) {
            const int c = compareValues(rows_[a].values[f], rows_[b].values[f]);
            if (c != 0)
                return desc ? c > 0 : c < 0;
        }
        return false;
    });
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
    const QString n = unbracket(name);
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
        noCurrent();
    return r->values[i];
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
            noCurrent();
        edit_ = r->values;
        touched_.assign(columns_.size(), false);
    }
    // The value is converted and checked now; Required is checked when the row is stored.
    edit_[i] = v.isNull() ? QVariant() : Database::checkedValue(columns_[i].def, v);
    touched_[i] = true;
    // A field listed twice ("select 姓名, * ...") shows the new value in both places.
    for (size_t c = 0; c < columns_.size(); ++c)
        if (int(c) != i && columns_[i].baseField >= 0 && columns_[c].baseField == columns_[i].baseField)
            edit_[c] = edit_[i];
    dirty_ = true;
    if (!adding_)
        emit rowChanged(cur_);
}

void Recordset::setValue(const QString& name, const QVariant& v) { setValue(needField(name), v); }

bool Recordset::isDirty() const { return dirty_; }

// ---------------------------------------------------------------------------
// Storing

void Recordset::storePending() {
    if (!dirty_) {
        if (adding_) {
            // Nothing was assigned: no empty row is made.
            adding_ = false;
            cur_ = std::clamp(addReturn_, -1, int(order_.size()));
        }
        return;
    }
    checkUsable();
    // The whole row is checked before anything is written.
    std::vector<int> fields;
    std::vector<QVariant> values;
    fields.reserve(columns_.size());
    values.reserve(columns_.size());
    if (adding_) {
        std::vector<QVariant> row(base_.fields.size());
        std::vector<bool> given(base_.fields.size(), false);
        for (size_t c = 0; c < columns_.size(); ++c)
            if (columns_[c].baseField >= 0 && touched_[c]) {
                row[columns_[c].baseField] = edit_[c];
                given[columns_[c].baseField] = true;
            }
        // Assigned values were converted and checked when assigned; only Required is left.
        for (size_t f = 0; f < base_.fields.size(); ++f) {
            if (given[f] && !row[f].isNull()) {
                fields.push_back(int(f));
                values.push_back(row[f]);
            } else {
                Database::checkedValue(base_.fields[f], QVariant());
                if (given[f]) {
                    fields.push_back(int(f));
                    values.push_back(QVariant());
                }
            }
        }
        db_->noteRecordset(this);
        const qint64 rowid = db_->insertChecked(base_, fields, values);
        rows_.push_back(Row{rowid, std::move(edit_)});   // edit_ is set afresh before its next use
        order_.push_back(int(rows_.size()) - 1);
        if (positionsValid_)
            positions_.push_back(int(order_.size()) - 1);
        indexRow(int(rows_.size()) - 1, nullptr);
        cur_ = int(order_.size()) - 1;
        adding_ = false;
        dirty_ = false;
        emit rowsReset();
        return;
    }
    Row* r = cur_ >= 0 && cur_ < int(order_.size()) && !onDeleted_ ? &rows_[order_[cur_]] : nullptr;
    if (!r) {
        dirty_ = false;
        return;
    }
    for (size_t c = 0; c < columns_.size(); ++c) {
        if (!touched_[c])
            continue;
        fields.push_back(columns_[c].baseField);
        if (edit_[c].isNull())
            Database::checkedValue(base_.fields[columns_[c].baseField], edit_[c]);
        values.push_back(edit_[c]);
    }
    std::vector<int> matched;
    std::vector<QVariant> expected;
    matched.reserve(matched_.size());
    expected.reserve(matched_.size());
    for (const auto& [field, column] : matched_) {
        matched.push_back(field);
        expected.push_back(r->values[column]);
    }
    db_->noteRecordset(this);
    db_->updateChecked(base_, r->rowid, fields, values, matched, expected);
    if (indexes_.empty()) {
        r->values = edit_;
    } else {
        std::vector<QVariant> before = std::move(r->values);
        r->values = edit_;
        indexRow(order_[cur_], &before);
    }
    dirty_ = false;
    emit rowChanged(cur_);
}

void Recordset::update() {
    if (adding_ && !dirty_)
        cancelUpdate();     // nothing assigned: no empty row, and the cursor goes back
    else
        storePending();
}

void Recordset::storeValue(int i, const QVariant& v) {
    try {
        setValue(i, v);
        update();
    } catch (...) {
        cancelUpdate();
        throw;
    }
}

void Recordset::storeValue(const QString& name, const QVariant& v) {
    storeValue(needField(name), v);
}

void Recordset::cancelUpdate() {
    if (adding_) {
        // The cursor goes back to the row it stood on: that is a move too.
        emit willMove();
        adding_ = false;
        dirty_ = false;
        cur_ = std::clamp(addReturn_, -1, int(order_.size()));
        emit rowsReset();
        emit moveComplete();
        return;
    }
    if (dirty_) {
        dirty_ = false;
        emit rowChanged(cur_);
    }
}

// ---------------------------------------------------------------------------
// Moving

template <class F>
void Recordset::moveTo(F&& change) {
    storePending();
    emit willMove();
    storePending();     // what a willMove handler wrote belongs to the row being left
    change();
    onDeleted_ = false;
    emit moveComplete();
}

int Recordset::recordCount() const { return int(order_.size()); }

int Recordset::absolutePosition() const {
    if (adding_ || onDeleted_ || cur_ < 0 || cur_ >= int(order_.size()))
        return 0;
    return cur_ + 1;
}

int Recordset::currentIndex() const {
    if (adding_ || onDeleted_ || cur_ < 0 || cur_ >= int(order_.size()))
        return -1;
    return cur_;
}

void Recordset::setAbsolutePosition(int pos) {
    if (pos < 1 || pos > int(order_.size()))
        throw DbError(DbError::OutOfRange, QStringLiteral("记录位置 %1 超出范围 (共 %2 条记录).").arg(pos).arg(order_.size()));
    moveTo([&] { cur_ = pos - 1; });
}

bool Recordset::bof() const {
    if (onDeleted_ || adding_)
        return false;
    return cur_ < 0 || order_.empty();
}

bool Recordset::eof() const {
    if (onDeleted_ || adding_)
        return false;
    return cur_ >= int(order_.size()) || order_.empty();
}

void Recordset::moveFirst() { moveTo([&] { cur_ = 0; }); }

void Recordset::moveLast() { moveTo([&] { cur_ = order_.empty() ? 0 : int(order_.size()) - 1; }); }

void Recordset::moveNext() {
    if (!adding_ && !onDeleted_ && eof())
        noCurrent();
    const bool fromDeleted = onDeleted_;
    const bool fromNew = adding_;
    moveTo([&] {
        // From a deleted row the row that followed it already stands at its place.
        if (!fromDeleted && !fromNew)
            ++cur_;
        else if (fromNew)
            cur_ = std::min(cur_ + 1, int(order_.size()));
    });
}

void Recordset::movePrevious() {
    if (!adding_ && !onDeleted_ && bof())
        noCurrent();
    moveTo([&] { cur_ = std::max(cur_ - 1, -1); });
}

bool Recordset::findWith(const std::function<bool(const Row&)>& match, int skip, bool forward, bool fromStart,
                         const std::function<const std::vector<int>*()>& candidates) {
    storePending();
    const int n = int(order_.size());
    int start;
    if (fromStart)
        start = forward ? 0 : n - 1;
    else if (onDeleted_)
        start = forward ? cur_ : cur_ - 1;
    else
        start = forward ? cur_ + skip : cur_ - skip;
    int found = -1;
    const std::vector<int>* some = candidates ? candidates() : nullptr;
    if (some) {
        // Only the rows the field's index names can match: the first of them in view order.
        ensurePositions();
        for (int row : *some) {
            const int at = positions_[row];
            if (at < 0 || (forward ? at < start : at > start))
                continue;
            if ((found < 0 || (forward ? at < found : at > found)) && match(rows_[row]))
                found = at;
        }
    } else if (forward) {
        for (int i = std::max(start, 0); i < n; ++i)
            if (match(rows_[order_[i]])) { found = i; break; }
    } else {
        for (int i = std::min(start, n - 1); i >= 0; --i)
            if (match(rows_[order_[i]])) { found = i; break; }
    }
    moveTo([&] { cur_ = found >= 0 ? found : (forward ? n : -1); });
    return found >= 0;
}

bool Recordset::find(const QString& criteria, int skip, bool forward, bool fromStart) {
    const Criteria c = parseCriteria(criteria);
    // One group with an equality on an indexable field: the index names the rows to try.
    const Criteria::Term* eq = nullptr;
    if (c.anyOf.size() == 1)
        for (const auto& t : c.anyOf.front())
            if (t.op == Criteria::Eq && !t.literal.isNull() && indexable(t.field)) {
                eq = &t;
                break;
            }
    return findWith([&](const Row& r) { return rowMatches(r, c); }, skip, forward, fromStart,
                    eq ? std::function<const std::vector<int>*()>([&] { return candidates(eq->field, eq->literal); })
                       : std::function<const std::vector<int>*()>());
}

bool Recordset::findValue(const QString& field, const QVariant& value, int skip, bool fromStart) {
    const int f = needField(field);
    const Column& col = columns_[f];
    QVariant v = value;
    if (v.isNull())
        return findWith([&](const Row& r) { return r.values[f].isNull(); }, skip, true, fromStart);
    const bool text = col.typed ? isTextType(col.def.type) : !isNumber(value);
    if (!text && col.typed) {
        FieldDef loose = col.def;
        loose.required = false;
        try {
            v = Database::checkedValue(loose, v);
        } catch (const DbError&) {
            return findWith([](const Row&) { return false; }, skip, true, fromStart);
        }
    }
    const QString s = v.toString();
    return findWith([&](const Row& r) {
        const QVariant& x = r.values[f];
        if (x.isNull())
            return false;
        return text ? compareText(x.toString(), s) == 0 : compareValues(x, v) == 0;
    }, skip, true, fromStart,
    indexable(f) ? std::function<const std::vector<int>*()>([&] { return candidates(f, v); })
                 : std::function<const std::vector<int>*()>());
}

void Recordset::setSort(const QString& sort) {
    storePending();
    const QString old = sort_;
    sort_ = sort;
    try {
        rebuildOrder();
    } catch (...) {
        sort_ = old;
        rebuildOrder();
        throw;
    }
    emit rowsReset();
    moveTo([&] { cur_ = 0; });
}

void Recordset::setFilter(const QString& criteria) {
    storePending();
    const QString old = filter_;
    filter_ = criteria;
    try {
        rebuildOrder();
    } catch (...) {
        filter_ = old;
        rebuildOrder();
        throw;
    }
    emit rowsReset();
    moveTo([&] { cur_ = 0; });
}

// ---------------------------------------------------------------------------
// Adding, deleting, requery

void Recordset::addNew() {
    if (baseTable_.isEmpty())
        throw DbError(DbError::ReadOnly, QStringLiteral("这个记录集不能添加记录."));
    checkUsable();
    storePending();
    emit willMove();
    storePending();
    addReturn_ = cur_;
    onDeleted_ = false;
    adding_ = true;
    dirty_ = false;
    edit_.assign(columns_.size(), QVariant());
    touched_.assign(columns_.size(), false);
    emit moveComplete();
}

void Recordset::addNew(const QStringList& fields, const QVariantList& values) {
    if (fields.size() != values.size())
        throw DbError(DbError::BadSql, QStringLiteral("字段个数与值的个数不符."));
    std::vector<int> idx;
    idx.reserve(fields.size());
    for (const QString& f : fields)
        idx.push_back(needField(f));
    addNew();
    try {
        for (size_t i = 0; i < idx.size(); ++i)
            setValue(idx[i], values[int(i)]);
        storePending();
    } catch (...) {
        cancelUpdate();
        throw;
    }
}

void Recordset::deleteCurrent() {
    if (adding_) {
        cancelUpdate();
        return;
    }
    if (baseTable_.isEmpty())
        throw DbError(DbError::ReadOnly, QStringLiteral("这个记录集不能删除记录."));
    checkUsable();
    const Row* r = currentRow();
    if (!r)
        noCurrent();
    std::vector<int> matched;
    std::vector<QVariant> expected;
    for (const auto& [field, column] : matched_) {
        matched.push_back(field);
        expected.push_back(r->values[column]);
    }
    db_->noteRecordset(this);
    db_->deleteChecked(base_, r->rowid, matched, expected);
    dirty_ = false;
    rows_[order_[cur_]].rowid = -1;
    rows_[order_[cur_]].values.assign(columns_.size(), QVariant());
    order_.erase(order_.begin() + cur_);
    positionsValid_ = false;
    onDeleted_ = true;
    emit rowsReset();
}

void Recordset::requery() {
    storePending();
    emit willMove();
    storePending();
    Loaded fresh;
    try {
        fresh = read();
    } catch (...) {
        emit moveComplete();    // still on the row it was on
        throw;
    }
    adopt(std::move(fresh));
    stale_ = false;
    cur_ = 0;
    onDeleted_ = false;
    db_->noteRecordset(this);
    try {
        rebuildOrder();
    } catch (const DbError&) {
        // A filter or sort on a field the new rows lack: shown unfiltered, and said.
        filter_.clear();
        sort_.clear();
        rebuildOrder();
        emit rowsReset();
        emit moveComplete();
        throw;
    }
    emit rowsReset();
    emit moveComplete();
}

void Recordset::close() {
    storePending();
    db_->forget(this);      // a rollback brings no rows back into a closed set
    rows_.clear();
    order_.clear();
    indexes_.clear();
    positionsValid_ = false;
    cur_ = 0;
    onDeleted_ = false;
    emit rowsReset();
}

// ---------------------------------------------------------------------------
// Field indexes for Finds by equality

bool Recordset::indexable(int field) const {
    const Column& col = columns_[field];
    return col.typed && col.def.type != FieldType::Boolean && col.def.type != FieldType::Date;
}

// Equal values by the Find's comparison give equal keys: texts by their text
// order (letters without case), numbers by value.
quint64 Recordset::keyOf(int field, const QVariant& v) const {
    if (v.isNull())
        return 0;
    quint64 h = 1469598103934665603ULL;
    if (isTextType(columns_[field].def.type)) {
        const QString t = v.toString();
        for (QChar c : t) {
            h ^= textWeight(c.unicode());
            h *= 1099511628211ULL;
        }
        return h ^ quint64(t.size());
    }
    double d = v.toDouble();
    if (d == 0)
        d = 0;      // -0 is 0
    quint64 bits;
    std::memcpy(&bits, &d, sizeof bits);
    return (h ^ bits) * 1099511628211ULL;
}

const std::vector<int>* Recordset::candidates(int field, const QVariant& v) {
    auto it = indexes_.find(field);
    if (it == indexes_.end()) {
        FieldIndex index;
        for (size_t r = 0; r < rows_.size(); ++r)
            index.rows[keyOf(field, rows_[r].values[field])].push_back(int(r));
        it = indexes_.emplace(field, std::move(index)).first;
    }
    static const std::vector<int> none;
    const auto hit = it->second.rows.constFind(keyOf(field, v));
    return hit == it->second.rows.constEnd() ? &none : &*hit;
}

void Recordset::indexRow(int row, const std::vector<QVariant>* before) {
    for (auto& [field, index] : indexes_) {
        const quint64 now = keyOf(field, rows_[row].values[field]);
        if (before) {
            const quint64 was = keyOf(field, (*before)[field]);
            if (was == now)
                continue;
            std::vector<int>& old = index.rows[was];
            std::erase(old, row);
        }
        index.rows[now].push_back(row);
    }
}

void Recordset::ensurePositions() {
    if (positionsValid_ && positions_.size() == rows_.size())
        return;
    positions_.assign(rows_.size(), -1);
    for (size_t i = 0; i < order_.size(); ++i)
        positions_[order_[i]] = int(i);
    positionsValid_ = true;
}

QVariant Recordset::valueAt(int row, int field) const {
    if (row < 0 || row >= int(order_.size()) || field < 0 || field >= int(columns_.size()))
        return {};
    if (row == cur_ && dirty_ && !adding_ && !onDeleted_)
        return edit_[field];
    return rows_[order_[row]].values[field];
}

qint64 Recordset::rowIdAt(int row) const {
    if (row < 0 || row >= int(order_.size()))
        return 0;
    return rows_[order_[row]].rowid;
}

} // namespace platform::db
