#include "platform/db/database.h"

#include "platform/db/engine_reason.h"
#include "platform/db/jetsql.h"
#include "platform/db/textorder.h"

#include <QCryptographicHash>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QRandomGenerator>

#include <cfloat>
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <sqlite3.h>

namespace platform::db {

namespace {

// The layer's own bookkeeping lives in tables with ASCII names that the
// system's table lists never show.
const char* const kSchemaSql =
    "CREATE TABLE msys_properties (name TEXT PRIMARY KEY, value TEXT);"
    "CREATE TABLE msys_tables (name TEXT NOT NULL);"
    "CREATE TABLE msys_fields (tbl TEXT NOT NULL, pos INTEGER NOT NULL, name TEXT NOT NULL,"
    " type INTEGER NOT NULL, size INTEGER NOT NULL, required INTEGER NOT NULL,"
    " zerolength INTEGER NOT NULL);";
const char* const kFormat = "vantaloo-db-1";
const int kBusyMilliseconds = 5000;
// Typed SQL may run about this many engine steps (about a second) before it is
// stopped: a query over a school's file needs far fewer.
const int kProgressEvery = 1000;
const qint64 kWorkBudget = 100'000;     // in units of kProgressEvery steps
const int kCachedStatements = 48;

QHash<QString, std::weak_ptr<Database>>& registry() {
    static QHash<QString, std::weak_ptr<Database>> r;
    return r;
}

int collateJet(void*, int na, const void* a, int nb, const void* b) {
    return compareUnits(static_cast<const char16_t*>(a), na / 2,
                        static_cast<const char16_t*>(b), nb / 2);
}

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

QString hashPassword(const QByteArray& salt, const QString& password) {
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(salt);
    h.addData(password.toUtf8());
    return QString::fromLatin1(h.result().toHex());
}

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

} // namespace

QString quoteName(const QString& name) {
    QString n = name;
    n.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + n + QLatin1Char('"');
}

QString quoteText(const QString& value) {
    QString v = value;
    v.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + v + QLatin1Char('\'');
}

QString connectionValue(const QString& value) {
    const bool plain = !value.contains(QLatin1Char(';')) && !value.contains(QLatin1Char('='))
        && !value.contains(QLatin1Char('"')) && !value.contains(QLatin1Char('\''))
        && (value.isEmpty() || (!value.front().isSpace() && !value.back().isSpace()));
    if (plain)
        return value;
    QString v = value;
    v.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + v + QLatin1Char('"');
}

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
        sqlite3_bind_text(stmt, i, s.constData(), int(s.size()), SQLITE_TRANSIENT);
        break;
    }
    case QMetaType::QDateTime: {
        const QByteArray s = v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toLatin1();
        sqlite3_bind_text(stmt, i, s.constData(), int(s.size()), SQLITE_TRANSIENT);
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
        sqlite3_bind_text(stmt, i, s.constData(), int(s.size()), SQLITE_TRANSIENT);
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
// Opening

Database::Database(const QString& canonicalPath, sqlite3* handle) : path_(canonicalPath), db_(handle) {}

Database::~Database() {
    dropRowStatements();
    for (const Cached& c : cache_)
        sqlite3_finalize(c.stmt);
    if (depth_ > 0 && !sqlite3_get_autocommit(db_))
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close_v2(db_);
    auto it = registry().find(path_);
    if (it != registry().end() && it->expired())
        registry().erase(it);
}

// A Single as the record sets read it, so that a value written as a double by
// plain SQL still matches the value a record set holds.
static void singleFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        sqlite3_result_null(ctx);
    else
        sqlite3_result_double(ctx, double(float(sqlite3_value_double(argv[0]))));
}

// The engine's printf writes "%.*c" one character at a time inside one step,
// where no progress handler looks: printf('%.*c', 2e9, 'x') turns for many
// seconds even when the length limit has already refused the text. A width or
// precision past the length limit is refused first; the engine's own printf,
// hidden on our connections by this one, is reached through a connection of
// its own.
namespace {

struct EnginePrintf {
    sqlite3* db = nullptr;
    std::vector<sqlite3_stmt*> byCount;     // "SELECT printf(?1, ..., ?n)" at n
    ~EnginePrintf() {
        for (sqlite3_stmt* s : byCount)
            sqlite3_finalize(s);
        sqlite3_close_v2(db);
    }
    sqlite3_stmt* statement(int argc) {
        if (!db && sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_MEMORY, nullptr) != SQLITE_OK)
            return nullptr;
        if (int(byCount.size()) <= argc)
            byCount.resize(argc + 1, nullptr);
        if (!byCount[argc]) {
            QByteArray sql = "SELECT printf(";
            for (int i = 1; i <= argc; ++i)
                sql += (i > 1 ? ",?" : "?") + QByteArray::number(i);
            sql += ')';
            sqlite3_prepare_v2(db, sql.constData(), -1, &byCount[argc], nullptr);
        }
        return byCount[argc];
    }
};

// The largest width or precision a format asks for, the "*" ones taken from
// the arguments they stand for.
qint64 largestPrintfSize(const char* f, int argc, sqlite3_value** argv) {
    qint64 largest = 0;
    int next = 1;
    for (const char* p = f; p && *p; ++p) {
        if (*p != '%')
            continue;
        if (*++p == '%')
            continue;
        while (*p && std::strchr("-+ #!0,", *p))
            ++p;
        for (int part = 0; part < 2; ++part) {
            if (part == 1) {
                if (*p != '.')
                    break;
                ++p;
            }
            qint64 n = 0;
            if (*p == '*') {
                n = next < argc ? sqlite3_value_int64(argv[next++]) : 0;
                n = n == std::numeric_limits<qint64>::min() ? std::numeric_limits<qint64>::max() : std::abs(n);
                ++p;
            } else {
                for (; *p >= '0' && *p <= '9'; ++p)
                    n = std::min<qint64>(n * 10 + (*p - '0'), qint64(1) << 40);
            }
            largest = std::max(largest, n);
        }
        while (*p == 'l')
            ++p;
        if (!*p)
            break;
        if (*p != 'n')
            ++next;
    }
    return largest;
}

void boundedPrintf(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (argc < 1 || sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const int limit = sqlite3_limit(sqlite3_context_db_handle(ctx), SQLITE_LIMIT_LENGTH, -1);
    if (largestPrintfSize(reinterpret_cast<const char*>(sqlite3_value_text(argv[0])), argc, argv) > limit) {
        sqlite3_result_error_toobig(ctx);
        return;
    }
    thread_local EnginePrintf engine;
    sqlite3_stmt* stmt = engine.statement(argc);
    if (!stmt) {
        sqlite3_result_error_nomem(ctx);
        return;
    }
    sqlite3_limit(engine.db, SQLITE_LIMIT_LENGTH, limit);
    for (int i = 0; i < argc; ++i)
        sqlite3_bind_value(stmt, i + 1, argv[i]);
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) {
        sqlite3_result_value(ctx, sqlite3_column_value(stmt, 0));
    } else {
        sqlite3_result_error(ctx, sqlite3_errmsg(engine.db), -1);
        sqlite3_result_error_code(ctx, rc);
    }
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
}

} // namespace

// On failure `why`, when given, says why in the user's words.
static sqlite3* openHandle(const QString& path, int flags, int* rc, QString* why = nullptr) {
    sqlite3* h = nullptr;
    *rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &h, flags, nullptr);
    if (*rc != SQLITE_OK) {
        if (why)
            *why = engineReason(h, *rc);
        sqlite3_close_v2(h);
        return nullptr;
    }
    sqlite3_busy_timeout(h, kBusyMilliseconds);
    sqlite3_extended_result_codes(h, 0);
    sqlite3_create_collation_v2(h, "JET", SQLITE_UTF16_ALIGNED, nullptr, collateJet, nullptr);
    registerJetFunctions(h);
    sqlite3_create_function_v2(h, "msys_single", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, singleFn,
                               nullptr, nullptr, nullptr);
    for (const char* name : {"printf", "format"})
        sqlite3_create_function_v2(h, name, -1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, boundedPrintf,
                                   nullptr, nullptr, nullptr);
    return h;
}

std::shared_ptr<Database> Database::create(const QString& path, const QString& locale) {
    QFileInfo info(path);
    if (info.exists())
        throw DbError(DbError::AlreadyExists, QStringLiteral("数据库文件已经存在: %1").arg(path));
    int rc = 0;
    QString why;
    sqlite3* h = openHandle(info.absoluteFilePath(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, &rc, &why);
    if (!h)
        throw DbError(DbError::CannotCreate, QStringLiteral("不能建立数据库文件: %1 (%2)").arg(path, why));
    char* err = nullptr;
    rc = sqlite3_exec(h, "BEGIN", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(h, kSchemaSql, nullptr, nullptr, &err);
    sqlite3_free(err);
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close_v2(h);
        QFile::remove(info.absoluteFilePath());
        throw DbError(DbError::CannotCreate, QStringLiteral("不能建立数据库文件: %1").arg(path));
    }
    const QString canonical = QFileInfo(info.absoluteFilePath()).canonicalFilePath();
    std::shared_ptr<Database> db(new Database(canonical, h));
    db->setProperty(QStringLiteral("format"), QString::fromLatin1(kFormat));
    db->setProperty(QStringLiteral("locale"), locale);
    registry().insert(canonical, db);
    return db;
}

std::shared_ptr<Database> Database::createInMemory() {
    int rc = 0;
    sqlite3* h = openHandle(QStringLiteral(":memory:"), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, &rc);
    if (!h || sqlite3_exec(h, kSchemaSql, nullptr, nullptr, nullptr) != SQLITE_OK) {
        if (h)
            sqlite3_close_v2(h);
        throw DbError(DbError::TooMuchWork, QStringLiteral("内存不足"));
    }
    std::shared_ptr<Database> db(new Database(QStringLiteral(":memory:"), h));
    db->setProperty(QStringLiteral("format"), QString::fromLatin1(kFormat));
    db->setProperty(QStringLiteral("locale"), QString::fromLatin1(defaultLocale));
    return db;
}

std::shared_ptr<Database> Database::openedAlready(const QString& path) {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (canonical.isEmpty())
        return {};
    return registry().value(canonical).lock();
}

std::shared_ptr<Database> Database::openFile(const QString& path, bool shared) {
    QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        throw DbError(DbError::NotFound, QStringLiteral("找不到数据库文件: %1").arg(path));
    const QString canonical = info.canonicalFilePath();
    if (shared)
        if (auto live = registry().value(canonical).lock())
            return live;
    int rc = 0;
    QString why;
    sqlite3* h = openHandle(canonical, shared ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY, &rc, &why);
    if (!h)
        throw DbError(DbError::Io, QStringLiteral("不能打开数据库文件: %1 (%2)").arg(path, why));
    std::shared_ptr<Database> db(new Database(canonical, h));
    if (!shared)
        sqlite3_exec(h, "PRAGMA query_only=1", nullptr, nullptr, nullptr);
    QString format;
    try {
        format = db->property(QStringLiteral("format"));
    } catch (const DbError& e) {
        if (e.kind() == DbError::Busy || e.kind() == DbError::Damaged)
            throw;
        format.clear();
    }
    if (format != QLatin1String(kFormat))
        throw DbError(DbError::NotADatabase, QStringLiteral("不是本系统的数据库文件: %1").arg(path));
    // Damage found now is told as such, before any work is done on the file.
    // The check walks every page and record but leaves the rows' CHECK rules
    // alone: evaluating them for every value was nine tenths of its time, and a
    // row breaking a field rule is no damage to the file.
    sqlite3_exec(h, "PRAGMA ignore_check_constraints=1", nullptr, nullptr, nullptr);
    QString check;
    try {
        check = db->scalar(QStringLiteral("PRAGMA quick_check(1)")).toString();
    } catch (const DbError&) {
        sqlite3_exec(h, "PRAGMA ignore_check_constraints=0", nullptr, nullptr, nullptr);
        throw;
    }
    sqlite3_exec(h, "PRAGMA ignore_check_constraints=0", nullptr, nullptr, nullptr);
    if (check != QLatin1String("ok"))
        throw DbError(DbError::Damaged, QStringLiteral("数据库文件已损坏: %1").arg(path));
    db->loadSchema();
    if (shared)
        registry().insert(canonical, db);
    return db;
}

std::shared_ptr<Database> Database::openReadOnly(const QString& path, const QString& password) {
    auto db = openFile(path, false);
    db->checkPassword(password);
    return db;
}

std::shared_ptr<Database> Database::open(const QString& path, const QString& password) {
    auto db = openFile(path);
    db->checkPassword(password);
    return db;
}

std::pair<QString, QString> Database::parseConnectionText(const QString& text) {
    QString path, password;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const qsizetype eq = text.indexOf(QLatin1Char('='), i);
        const qsizetype semi = text.indexOf(QLatin1Char(';'), i);
        if (eq < 0 || (semi >= 0 && semi < eq)) {     // a part without "="
            if (semi < 0)
                break;
            i = semi + 1;
            continue;
        }
        const QString key = text.mid(i, eq - i).trimmed();
        i = eq + 1;
        qsizetype j = i;
        while (j < n && text[j] == u' ')
            ++j;
        QString value;
        if (j < n && (text[j] == u'"' || text[j] == u'\'')) {
            i = j;
            // Quoted: up to the lone closing quote; a doubled one stands for itself.
            const QChar q = text[i++];
            while (i < n) {
                if (text[i] == q) {
                    if (i + 1 < n && text[i + 1] == q) {
                        value += q;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                value += text[i++];
            }
            const qsizetype end = text.indexOf(QLatin1Char(';'), i);
            i = end < 0 ? n : end + 1;
        } else {
            const qsizetype end = text.indexOf(QLatin1Char(';'), i);
            value = text.mid(i, (end < 0 ? n : end) - i);
            i = end < 0 ? n : end + 1;
        }
        if (key.compare(QLatin1String("Data Source"), Qt::CaseInsensitive) == 0)
            path = value.trimmed();
        else if (key.compare(QLatin1String("Jet OLEDB:Database Password"), Qt::CaseInsensitive) == 0
                 || key.compare(QLatin1String("pwd"), Qt::CaseInsensitive) == 0)
            password = value;
    }
    return {path, password};
}

std::shared_ptr<Database> Database::openConnectionText(const QString& connectionText) {
    auto [path, password] = parseConnectionText(connectionText);
    return open(path, password);
}

void Database::checkPassword(const QString& password) const {
    const QString hash = property(QStringLiteral("password_hash"));
    if (hash.isEmpty())
        return;     // a database without password opens with any
    const QByteArray salt = QByteArray::fromHex(property(QStringLiteral("password_salt")).toLatin1());
    if (hashPassword(salt, password) != hash)
        throw DbError(DbError::WrongPassword, QStringLiteral("数据库密码不正确!"));
}

bool Database::hasPassword() const { return !property(QStringLiteral("password_hash")).isEmpty(); }

void Database::setPassword(const QString& oldPassword, const QString& newPassword) {
    if (weak_from_this().use_count() > 1)
        throw DbError(DbError::InUse, QStringLiteral("数据库正在使用中,不能修改密码."));
    checkPassword(oldPassword);
    Transaction t(*this);
    if (newPassword.isEmpty()) {
        execute(QStringLiteral("DELETE FROM msys_properties WHERE name IN ('password_hash','password_salt')"));
    } else {
        QByteArray salt(16, '\0');
        for (char& c : salt)
            c = char(QRandomGenerator::system()->bounded(256));
        setProperty(QStringLiteral("password_salt"), QString::fromLatin1(salt.toHex()));
        setProperty(QStringLiteral("password_hash"), hashPassword(salt, newPassword));
    }
    t.commit();
}

void Database::changePassword(const QString& path, const QString& oldPassword, const QString& newPassword) {
    if (openedAlready(path))
        throw DbError(DbError::InUse, QStringLiteral("数据库正在使用中,不能修改密码."));
    auto db = open(path, oldPassword);
    db->setPassword(oldPassword, newPassword);
}

QString Database::path() const { return path_; }

QString Database::locale() const { return property(QStringLiteral("locale")); }

QString Database::property(const QString& name) const {
    auto* self = const_cast<Database*>(this);
    return self->scalar(QStringLiteral("SELECT value FROM msys_properties WHERE name=?"), {name}).toString();
}

void Database::setProperty(const QString& name, const QString& value) {
    execute(QStringLiteral("INSERT OR REPLACE INTO msys_properties(name, value) VALUES (?, ?)"), {name, value});
}

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
    if (rc == SQLITE_ERROR)
        throw DbError(DbError::BadSql, QStringLiteral("SQL 语句有错: %1 (%2)").arg(msg, what));
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
                          e.text() + QStringLiteral(" 这一组修改已全部撤消, 没有写入数据库."));
        }
        throw;
    }
}

void Database::noticeLostTransaction() {
    lost_ = true;
}

sqlite3_stmt* Database::prepareOne(const QString& sql, const QString& shownAs) {
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

int Database::execute(const QString& sql, const QVariantList& params) {
    sqlite3_stmt* stmt = prepared(sql);
    Released r{*this, stmt};
    if (!sqlite3_stmt_readonly(stmt))
        checkWritable();
    for (int i = 0; i < params.size(); ++i)
        bind(stmt, i + 1, params[i]);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {}
    if (rc != SQLITE_DONE)
        fail(rc, sql);
    return sqlite3_changes(db_);
}

std::vector<QVariantList> Database::query(const QString& sql, const QVariantList& params) {
    sqlite3_stmt* stmt = prepared(sql);
    Released r{*this, stmt};
    if (!sqlite3_stmt_readonly(stmt))
        checkWritable();
    for (int i = 0; i < params.size(); ++i)
        bind(stmt, i + 1, params[i]);
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

// ---------------------------------------------------------------------------
// Transactions

void Database::begin() {
    if (depth_ > 0 && (lost_ || sqlite3_get_autocommit(db_))) {
        noticeLostTransaction();
        throw DbError(DbError::TransactionLost,
                      QStringLiteral("数据库读写出错, 这一组修改已全部撤消, 不能再写入."));
    }
    const int rc = depth_ == 0
        ? sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr)
        : sqlite3_exec(db_, QStringLiteral("SAVEPOINT s%1").arg(depth_).toLatin1().constData(),
                       nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        fail(rc, QStringLiteral("BEGIN"));
    ++depth_;
}

void Database::checkWritable() {
    if (depth_ > 0 && (lost_ || sqlite3_get_autocommit(db_))) {
        noticeLostTransaction();
        throw DbError(DbError::TransactionLost,
                      QStringLiteral("数据库读写出错, 这一组修改已全部撤消, 不能再写入."));
    }
}

void Database::commit() {
    if (depth_ == 0)
        return;
    // Nothing may be committed of work the engine already undid; the scope's
    // rollback closes it.
    checkWritable();
    const int rc = depth_ == 1
        ? sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr)
        : sqlite3_exec(db_, QStringLiteral("RELEASE s%1").arg(depth_ - 1).toLatin1().constData(),
                       nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        fail(rc, QStringLiteral("COMMIT"));
    --depth_;
    if (depth_ == 0) {
        touched_.clear();
        return;
    }
    for (auto& [rs, level] : touched_)
        level = std::min(level, depth_);
}

void Database::rollback() {
    if (depth_ == 0)
        return;
    int rc = SQLITE_OK;
    const int level = depth_;
    if (lost_ || sqlite3_get_autocommit(db_)) {
        // The engine has undone it all: the open scopes only close.
        lost_ = true;
    } else if (depth_ == 1) {
        rc = sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    } else {
        const QByteArray sp = QStringLiteral("s%1").arg(depth_ - 1).toLatin1();
        rc = sqlite3_exec(db_, ("ROLLBACK TO " + sp + "; RELEASE " + sp).constData(), nullptr, nullptr, nullptr);
    }
    --depth_;
    if (depth_ == 0)
        lost_ = false;
    if (!lost_ || depth_ == 0) {
        // A table created in the undone work is gone again, and no record set may
        // show or reach a row the file does not hold.
        try {
            loadSchema();
        } catch (const DbError&) {
            tables_.clear();      // read again on the next look-up
        }
        rereadAfterRollback(depth_ == 0 ? 1 : level);
    }
    if (rc != SQLITE_OK)
        fail(rc, QStringLiteral("ROLLBACK"));
}

void Database::noteRecordset(RollbackListener* rs) {
    if (depth_ == 0)
        return;
    for (auto& [r, level] : touched_)
        if (r == rs) {
            level = std::max(level, depth_);
            return;
        }
    touched_.emplace_back(rs, depth_);
}

void Database::forget(RollbackListener* rs) {
    std::erase_if(touched_, [rs](const auto& t) { return t.first == rs; });
}

void Database::rereadAfterRollback(int level) {
    std::vector<RollbackListener*> again;
    for (auto& [rs, l] : touched_)
        if (l >= level)
            again.push_back(rs);
    std::erase_if(touched_, [&](const auto& t) { return t.second >= level; });
    for (RollbackListener* rs : again) {
        rs->rereadAfterRollback();
        // Its remaining rows may still stem from the work left open.
        if (depth_ > 0)
            noteRecordset(rs);
    }
}

bool Database::inTransaction() const { return depth_ > 0; }

qint64 Database::rowsWritten() const { return sqlite3_total_changes64(db_); }

static qint64 steadyNow() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch()).count();
}

int Database::countWork(void* self) {
    auto* db = static_cast<Database*>(self);
    // Steps alone miss work done inside one step (a sort, a long text function).
    return ++db->workDone_ > kWorkBudget || steadyNow() > db->workDeadline_ ? 1 : 0;
}

Database::WorkLimit::WorkLimit(Database& db) : db_(db), outer_(!db.workLimited_) {
    if (!outer_)
        return;
    db_.workLimited_ = true;
    db_.workDone_ = 0;
    db_.workDeadline_ = steadyNow() + qint64(kMilliseconds) * 1'000'000;
    // One value of gigabytes (randomblob, zeroblob, printf widths) is refused
    // by the engine before it is made.
    lengthBefore_ = sqlite3_limit(db_.db_, SQLITE_LIMIT_LENGTH, kValueBytes);
    // The engine's heap limit is the process's; nothing else runs the engine meanwhile.
    heapBefore_ = sqlite3_hard_heap_limit64(-1);
    const qint64 heap = sqlite3_memory_used() + kEngineBytes;
    sqlite3_hard_heap_limit64(heapBefore_ > 0 ? std::min(heapBefore_, heap) : heap);
    sqlite3_progress_handler(db_.db_, kProgressEvery, &Database::countWork, &db_);
}

Database::WorkLimit::~WorkLimit() {
    if (!outer_)
        return;
    sqlite3_progress_handler(db_.db_, 0, nullptr, nullptr);
    sqlite3_limit(db_.db_, SQLITE_LIMIT_LENGTH, lengthBefore_);
    sqlite3_hard_heap_limit64(heapBefore_);
    db_.workLimited_ = false;
}

Transaction::Transaction(Database& db) : db_(db) { db_.begin(); }

Transaction::~Transaction() {
    if (!done_) {
        try {
            db_.rollback();
        } catch (...) {
        }
    }
}

void Transaction::commit() {
    db_.commit();
    done_ = true;
}

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
        columns << quoteName(f.name) + QLatin1Char(' ') + declaredType(f.type) + fieldRules(f);
    }
    Transaction t(*this);
    execute(QStringLiteral("CREATE TABLE %1 (%2)").arg(quoteName(name), columns.join(QStringLiteral(", "))));
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
