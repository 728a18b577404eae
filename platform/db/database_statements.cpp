// Values as the fields hold them, and the statements that read and write them.
#include "platform/db/database.h"

#include "platform/db/engine_reason.h"
#include "platform/db/jetsql.h"
#include "platform/text/message_text.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>

#include <cfloat>
#include <cmath>
#include <optional>
#include <sqlite3.h>

namespace platform::db {

namespace {

const int kCachedStatements = 48;

int characterCount(const QString& s) {
    int n = 0;
    for (QChar c : s)
        if (!c.isLowSurrogate())
            ++n;
    return n;
}

QString displayOf(const QVariant& v) {
    QString s = v.toString();
    return s.size() > 40 ? s.left(40) + QStringLiteral("...") : s;
}

[[noreturn]] void refuse(DbError::Kind kind, const FieldDef& f, const QVariant& v = {}) {
    switch (kind) {
    case DbError::TooLong:
        throw DbError(kind, QStringLiteral("字段 %1 最多只能有 %2 个字符.").arg(f.name).arg(f.size));
    case DbError::RequiredNull:
        throw DbError(kind, QStringLiteral("字段 %1 不能为空.").arg(f.name));
    case DbError::ZeroLength:
        throw DbError(kind, QStringLiteral("字段 %1 不能是零长度的文本.").arg(f.name));
    case DbError::OutOfRange:
        if (v.isNull())
            throw DbError(kind, QStringLiteral("字段 %1 的数值超出范围.").arg(f.name));
        throw DbError(kind, QStringLiteral("字段 %1 的数值超出范围: %2").arg(f.name, displayOf(v)));
    default:
        if (v.isNull())
            throw DbError(DbError::TypeMismatch, QStringLiteral("字段 %1 的数据类型不符.").arg(f.name));
        throw DbError(DbError::TypeMismatch,
                      QStringLiteral("字段 %1 的数据类型不符: %2").arg(f.name, displayOf(v)));
    }
}

bool isTextual(const QVariant& v) {
    const int id = v.metaType().id();
    return id == QMetaType::QString || id == QMetaType::QByteArray || id == QMetaType::QChar;
}

// A number from a value; texts are read as the engine did (blanks around are fine).
std::optional<double> numberOf(const QVariant& v) {
    switch (v.metaType().id()) {
    case QMetaType::Bool: return v.toBool() ? -1.0 : 0.0;
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
    case QMetaType::Short: case QMetaType::UShort: case QMetaType::Long: case QMetaType::ULong:
    case QMetaType::Float: case QMetaType::Double:
        return v.toDouble();
    default: break;
    }
    if (isTextual(v)) {
        bool ok = false;
        const QString t = v.toString().trimmed();
        double d = QLocale::c().toDouble(t, &ok);
        if (ok)
            return d;
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<QDateTime> dateOf(const QVariant& v) {
    if (v.metaType().id() == QMetaType::QDate)
        return v.toDate().isValid() ? std::optional(v.toDate().startOfDay()) : std::nullopt;
    if (v.metaType().id() == QMetaType::QDateTime)
        return v.toDateTime().isValid() ? std::optional(v.toDateTime()) : std::nullopt;
    if (!isTextual(v))
        return std::nullopt;
    const QString t = v.toString().trimmed();
    static const char* const dateTimeForms[] = {"yyyy-M-d H:m:s", "yyyy/M/d H:m:s", "yyyy-M-dTH:m:s",
                                                "yyyy-M-d H:m", "yyyy/M/d H:m"};
    for (const char* f : dateTimeForms) {
        QDateTime dt = QDateTime::fromString(t, QLatin1String(f));
        if (dt.isValid())
            return dt;
    }
    static const char* const dateForms[] = {"yyyy-M-d", "yyyy/M/d", "yyyy.M.d", "yyyy年M月d日", "yyyyMMdd"};
    for (const char* f : dateForms) {
        QDate d = QDate::fromString(t, QString::fromUtf8(f));
        if (d.isValid())
            return d.startOfDay();
    }
    return std::nullopt;
}

// Dates are kept as ISO text: "yyyy-MM-dd", with " hh:mm:ss" when there is a time.
QVariant dateValue(const QDateTime& dt) {
    if (dt.time() == QTime(0, 0))
        return dt.date();
    return QDateTime(dt.date(), QTime(dt.time().hour(), dt.time().minute(), dt.time().second()));
}

QString rcText(sqlite3* db) {
    return QString::fromUtf8(sqlite3_errmsg(db));
}

// Handed over as ending in its zero byte where it holds none before: the
// tables' length rules then read the engine's copy in place, instead of
// copying it once more to end it. A text with a zero character keeps its length.
void bindText(sqlite3_stmt* stmt, int i, const QByteArray& s) {
    const int n = qstrlen(s.constData()) == uint(s.size()) ? -1 : int(s.size());
    sqlite3_bind_text(stmt, i, s.constData(), n, SQLITE_TRANSIENT);
}

} // namespace

// ---------------------------------------------------------------------------
// Values

QVariant Database::checkedValue(const FieldDef& f, const QVariant& v) {
    if (v.isNull()) {
        if (f.required)
            refuse(DbError::RequiredNull, f);
        return {};
    }
    switch (f.type) {
    case FieldType::Text:
    case FieldType::Memo: {
        QString s;
        switch (v.metaType().id()) {
        case QMetaType::Bool: s = v.toBool() ? QStringLiteral("True") : QStringLiteral("False"); break;
        case QMetaType::QDate: s = v.toDate().toString(Qt::ISODate); break;
        case QMetaType::QDateTime: s = v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")); break;
        default:
            if (!v.canConvert<QString>())
                refuse(DbError::TypeMismatch, f, v);
            s = v.toString();
        }
        if (f.type == FieldType::Text && characterCount(s) > f.size)
            refuse(DbError::TooLong, f, v);
        if (s.isEmpty() && !f.allowZeroLength)
            refuse(DbError::ZeroLength, f, v);
        return s;
    }
    case FieldType::Single:
    case FieldType::Double: {
        auto d = numberOf(v);
        if (!d || std::isnan(*d))
            refuse(DbError::TypeMismatch, f, v);
        if (f.type == FieldType::Single) {
            if (std::isinf(*d) || std::fabs(*d) > FLT_MAX)
                refuse(DbError::OutOfRange, f, v);
            return QVariant(float(*d));
        }
        if (std::isinf(*d))
            refuse(DbError::OutOfRange, f, v);
        return QVariant(*d);
    }
    case FieldType::Integer:
    case FieldType::Long: {
        auto d = numberOf(v);
        if (!d || std::isnan(*d))
            refuse(DbError::TypeMismatch, f, v);
        const double r = std::nearbyint(*d);      // halves go to even, as the engine rounds
        const double lo = f.type == FieldType::Integer ? -32768.0 : -2147483648.0;
        const double hi = f.type == FieldType::Integer ? 32767.0 : 2147483647.0;
        if (r < lo || r > hi)
            refuse(DbError::OutOfRange, f, v);
        return QVariant(int(r));
    }
    case FieldType::Boolean: {
        if (isTextual(v)) {
            const QString t = v.toString().trimmed();
            if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || t == QStringLiteral("是"))
                return true;
            if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0 || t == QStringLiteral("否"))
                return false;
        }
        auto d = numberOf(v);
        if (!d)
            refuse(DbError::TypeMismatch, f, v);
        return *d != 0;
    }
    case FieldType::Date: {
        auto dt = dateOf(v);
        if (!dt)
            refuse(DbError::TypeMismatch, f, v);
        return dateValue(*dt);
    }
    }
    refuse(DbError::TypeMismatch, f, v);
}

void Database::bind(sqlite3_stmt* stmt, int i, const QVariant& v) {
    if (v.isNull()) {
        sqlite3_bind_null(stmt, i);
        return;
    }
    switch (v.metaType().id()) {
    case QMetaType::Bool: sqlite3_bind_int(stmt, i, v.toBool() ? 1 : 0); break;
    case QMetaType::Int: case QMetaType::Short: case QMetaType::UShort: case QMetaType::UInt:
    case QMetaType::LongLong: case QMetaType::Long: case QMetaType::ULong: case QMetaType::ULongLong:
        sqlite3_bind_int64(stmt, i, v.toLongLong());
        break;
    case QMetaType::Float: sqlite3_bind_double(stmt, i, double(v.toFloat())); break;
    case QMetaType::Double: sqlite3_bind_double(stmt, i, v.toDouble()); break;
    case QMetaType::QDate: {
        const QByteArray s = v.toDate().toString(Qt::ISODate).toLatin1();
        bindText(stmt, i, s);
        break;
    }
    case QMetaType::QDateTime: {
        const QByteArray s = v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toLatin1();
        bindText(stmt, i, s);
        break;
    }
    case QMetaType::QByteArray: {
        const QByteArray b = v.toByteArray();
        sqlite3_bind_blob(stmt, i, b.constData(), int(b.size()), SQLITE_TRANSIENT);
        break;
    }
    default: {
        // The file is UTF-8: converting here is cheaper than the engine's own translation.
        const QByteArray s = v.toString().toUtf8();
        bindText(stmt, i, s);
    }
    }
}

QVariant Database::column(sqlite3_stmt* stmt, int i, const FieldDef* f) {
    const int t = sqlite3_column_type(stmt, i);
    if (t == SQLITE_NULL)
        return {};
    auto text = [&] {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
        return QString::fromUtf8(p, sqlite3_column_bytes(stmt, i));
    };
    if (f) {
        switch (f->type) {
        case FieldType::Text:
        case FieldType::Memo: return text();
        case FieldType::Single: return QVariant(float(sqlite3_column_double(stmt, i)));
        case FieldType::Double: return QVariant(sqlite3_column_double(stmt, i));
        case FieldType::Integer:
        case FieldType::Long: return QVariant(int(sqlite3_column_int64(stmt, i)));
        case FieldType::Boolean: return QVariant(sqlite3_column_int64(stmt, i) != 0);
        case FieldType::Date: {
            const QString s = text();
            if (s.size() <= 10)
                return QDate::fromString(s, Qt::ISODate);
            return QDateTime::fromString(s, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        }
        }
    }
    switch (t) {
    case SQLITE_INTEGER: {
        const qint64 n = sqlite3_column_int64(stmt, i);
        if (n >= INT_MIN && n <= INT_MAX)
            return QVariant(int(n));
        return QVariant(n);
    }
    case SQLITE_FLOAT: return QVariant(sqlite3_column_double(stmt, i));
    case SQLITE_BLOB: {
        const char* p = static_cast<const char*>(sqlite3_column_blob(stmt, i));
        return QByteArray(p, sqlite3_column_bytes(stmt, i));
    }
    default: return text();
    }
}

namespace {
struct Released {
    Database& db;
    sqlite3_stmt* stmt;
    ~Released() { db.release(stmt); }
};
} // namespace

// ---------------------------------------------------------------------------
// Statements

namespace {

[[noreturn]] void throwFor(int rc, int extended, const QString& msg, const QString& reason, const QString& what,
                           const QString& path, const std::vector<TableDef>& tables, bool workLimited) {
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
        throw DbError(DbError::Busy, QStringLiteral("数据库正被别的程序使用,请稍后再试."));
    // The engine opens a file it may not write for reading only, and needs to
    // make its journal beside the file: either way the first write is refused.
    if (rc == SQLITE_READONLY)
        throw DbError(DbError::ReadOnly,
                      extended == SQLITE_READONLY_DIRECTORY
                          ? QStringLiteral("数据库所在的文件夹是只读的 (不能在其中建立临时文件), 不能修改数据库: %1").arg(path)
                          : QStringLiteral("数据库文件是只读的, 不能修改: %1").arg(path));
    if (rc == SQLITE_CONSTRAINT) {
        // "CHECK constraint failed: TooLong 姓名" / "NOT NULL constraint failed: 成绩表.姓名"
        const QString detail = msg.mid(msg.indexOf(QLatin1Char(':')) + 1).trimmed();
        static const std::pair<const char*, DbError::Kind> kinds[] = {
            {"TooLong ", DbError::TooLong}, {"ZeroLength ", DbError::ZeroLength},
            {"OutOfRange ", DbError::OutOfRange}, {"TypeMismatch ", DbError::TypeMismatch},
            {"RequiredNull ", DbError::RequiredNull}};
        FieldDef field;
        for (const auto& [prefix, kind] : kinds) {
            if (!detail.startsWith(QLatin1String(prefix)))
                continue;
            field.name = detail.mid(qstrlen(prefix));
            for (const TableDef& t : tables)
                for (const FieldDef& f : t.fields)
                    if (f.name == field.name)
                        field.size = f.size;
            refuse(kind, field);
        }
        if (msg.startsWith(QLatin1String("NOT NULL"))) {
            field.name = detail.mid(detail.lastIndexOf(QLatin1Char('.')) + 1);
            refuse(DbError::RequiredNull, field);
        }
        throw DbError(DbError::TypeMismatch, QStringLiteral("数据不合字段的规则: %1").arg(detail));
    }
    if (rc == SQLITE_NOTADB)
        throw DbError(DbError::NotADatabase, QStringLiteral("不是本系统的数据库文件: %1").arg(path));
    if (rc == SQLITE_CORRUPT)
        throw DbError(DbError::Damaged, QStringLiteral("数据库文件已损坏: %1").arg(path));
    // Under a typed query's limits, running out of steps, time, value length or
    // the engine's share of memory all mean the query asked too much.
    if ((rc == SQLITE_INTERRUPT || rc == SQLITE_TOOBIG || rc == SQLITE_NOMEM) && workLimited)
        throw DbError(DbError::TooMuchWork,
                      QStringLiteral("查询的工作量太大, 已经停止. 请加上条件, 缩小查询的范围."));
    if (rc == SQLITE_NOMEM)
        throw DbError(DbError::TooMuchWork, QStringLiteral("内存不足, 操作没有完成."));
    if (rc == SQLITE_FULL)
        throw DbError(DbError::Io, QStringLiteral("磁盘已满, 数据没有写入."));
    if (rc == SQLITE_ERROR) {
        // A function outside the typed dialect is refused by the authorizer: to
        // the user it is one the dialect has not.
        QString said = msg;
        said.replace(QLatin1String("not authorized to use function: "), QLatin1String("no such function: "));
        throw DbError(DbError::BadSql, QStringLiteral("SQL 语句有错: %1 (%2)").arg(said, what));
    }
    throw DbError(DbError::Io, QStringLiteral("数据库读写错误: %1").arg(reason));
}

} // namespace

void Database::fail(int rc, const QString& what) {
    const QString msg = rcText(db_);
    const int extended = sqlite3_extended_errcode(db_);
    try {
        throwFor(rc, extended, msg, engineReason(db_, rc), what, path_, tables_, workLimited_);
    } catch (const DbError& e) {
        if (depth_ > 0 && (lost_ || sqlite3_get_autocommit(db_))) {
            noticeLostTransaction();
            throw DbError(DbError::TransactionLost,
                          reasonThen(e.text(), QStringLiteral("这一组修改已全部撤消, 没有写入数据库.")));
        }
        throw;
    }
}

void Database::noticeLostTransaction() {
    lost_ = true;
}

sqlite3_stmt* Database::prepareOne(const QString& sql, const QString& shownAs) {
    checkThread();
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    int rc = sqlite3_prepare_v2(db_, text.constData(), int(text.size()), &stmt, &tail);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(stmt);
        fail(rc, shownAs);
    }
    if (!stmt)
        throw DbError(DbError::BadSql, QStringLiteral("SQL 语句有错: %1").arg(shownAs));
    // What follows may be blanks, ";" and comments, but no second statement.
    while (tail && *tail) {
        sqlite3_stmt* next = nullptr;
        const char* after = nullptr;
        rc = sqlite3_prepare_v2(db_, tail, int(text.constData() + text.size() - tail), &next, &after);
        sqlite3_finalize(next);
        if (rc != SQLITE_OK || next) {
            sqlite3_finalize(stmt);
            throw DbError(DbError::BadSql, QStringLiteral("SQL 语句有错: 一次只能执行一条语句 (%1)").arg(shownAs));
        }
        if (after == tail)
            break;
        tail = after;
    }
    return stmt;
}

sqlite3_stmt* Database::prepared(const QString& sql) {
    checkThread();
    bool busy = false;
    for (Cached& c : cache_) {
        if (c.sql != sql)
            continue;
        if (!c.inUse) {
            c.inUse = true;
            return c.stmt;
        }
        busy = true;
    }
    sqlite3_stmt* stmt = prepareOne(toSqliteSql(sql), sql);
    if (busy)
        return stmt;        // a statement of its own, finalized by release()
    // Statements the layer builds repeat; texts the windows build mostly don't.
    if (cache_.size() >= size_t(kCachedStatements)) {
        const auto idle = std::find_if(cache_.begin(), cache_.end(), [](const Cached& c) { return !c.inUse; });
        if (idle != cache_.end()) {
            sqlite3_finalize(idle->stmt);
            cache_.erase(idle);
        }
    }
    cache_.push_back({sql, stmt, true});
    return stmt;
}

void Database::release(sqlite3_stmt* stmt) {
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    for (Cached& c : cache_)
        if (c.stmt == stmt) {
            c.inUse = false;
            return;
        }
    sqlite3_finalize(stmt);
}

void Database::finalizeIdle() {
    std::vector<Cached> kept;
    for (const Cached& c : cache_) {
        if (c.inUse)
            kept.push_back(c);
        else
            sqlite3_finalize(c.stmt);
    }
    cache_ = std::move(kept);
}

sqlite3_stmt* Database::preparedBound(const QString& sql, const QVariantList& params) {
    sqlite3_stmt* stmt = prepared(sql);
    try {
        if (!sqlite3_stmt_readonly(stmt))
            checkWritable();
        for (int i = 0; i < params.size(); ++i)
            bind(stmt, i + 1, params[i]);
    } catch (...) {
        release(stmt);
        throw;
    }
    return stmt;
}

int Database::execute(const QString& sql, const QVariantList& params) {
    sqlite3_stmt* stmt = preparedBound(sql, params);
    Released r{*this, stmt};
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {}
    if (rc != SQLITE_DONE)
        fail(rc, sql);
    return sqlite3_changes(db_);
}

std::vector<QVariantList> Database::query(const QString& sql, const QVariantList& params) {
    sqlite3_stmt* stmt = preparedBound(sql, params);
    Released r{*this, stmt};
    const int n = sqlite3_column_count(stmt);
    std::vector<std::optional<FieldDef>> defs(n);
    for (int c = 0; c < n; ++c) {
        const char* t = sqlite3_column_table_name(stmt, c);
        const char* o = sqlite3_column_origin_name(stmt, c);
        if (t && o && qstrncmp(t, "msys_", 5) != 0 && qstrncmp(t, "sqlite_", 7) != 0)
            if (const TableDef* def = findTable(QString::fromUtf8(t)))
                for (const FieldDef& f : def->fields)
                    if (sameName(f.name, QString::fromUtf8(o)))
                        defs[c] = f;
    }
    std::vector<QVariantList> rows;
    int rc;
    try {
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            QVariantList row;
            row.reserve(n);
            for (int c = 0; c < n; ++c)
                row.append(column(stmt, c, defs[c] ? &*defs[c] : nullptr));
            rows.push_back(std::move(row));
        }
    } catch (const std::bad_alloc&) {
        rows = {};
        throw DbError(DbError::TooMuchWork, QStringLiteral("内存不足, 查询的结果太大."));
    }
    if (rc != SQLITE_DONE)
        fail(rc, sql);
    return rows;
}

QVariant Database::scalar(const QString& sql, const QVariantList& params) {
    auto rows = query(sql, params);
    if (rows.empty() || rows.front().isEmpty())
        return {};
    return rows.front().front();
}

} // namespace platform::db
