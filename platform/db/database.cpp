#include "platform/db/database.h"

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
#include <cmath>
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

QHash<QString, std::weak_ptr<Database>>& registry() {
    static QHash<QString, std::weak_ptr<Database>> r;
    return r;
}

int collateJet(void*, int na, const void* a, int nb, const void* b) {
    return compareUnits(static_cast<const char16_t*>(a), na / 2,
                        static_cast<const char16_t*>(b), nb / 2);
}

QString quoteName(const QString& name) {
    QString n = name;
    n.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + n + QLatin1Char('"');
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

bool sameName(const QString& a, const QString& b) { return compareText(a, b) == 0; }

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

DbError::DbError(Kind kind, const QString& text)
    : std::runtime_error(text.toStdString()), kind_(kind), text_(text) {}

QString quoteText(const QString& value) {
    QString v = value;
    v.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + v + QLatin1Char('\'');
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
    for (auto& [sql, stmt] : cache_)
        sqlite3_finalize(stmt);
    if (depth_ > 0)
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close_v2(db_);
    auto it = registry().find(path_);
    if (it != registry().end() && it->expired())
        registry().erase(it);
}

static sqlite3* openHandle(const QString& path, int flags, int* rc) {
    sqlite3* h = nullptr;
    *rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &h, flags, nullptr);
    if (*rc != SQLITE_OK) {
        sqlite3_close_v2(h);
        return nullptr;
    }
    sqlite3_busy_timeout(h, kBusyMilliseconds);
    sqlite3_extended_result_codes(h, 0);
    sqlite3_create_collation_v2(h, "JET", SQLITE_UTF16_ALIGNED, nullptr, collateJet, nullptr);
    registerJetFunctions(h);
    return h;
}

std::shared_ptr<Database> Database::create(const QString& path, const QString& locale) {
    QFileInfo info(path);
    if (info.exists())
        throw DbError(DbError::AlreadyExists, QStringLiteral("数据库文件已经存在: %1").arg(path));
    int rc = 0;
    sqlite3* h = openHandle(info.absoluteFilePath(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, &rc);
    if (!h)
        throw DbError(DbError::CannotCreate, QStringLiteral("不能建立数据库文件: %1").arg(path));
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

std::shared_ptr<Database> Database::openedAlready(const QString& path) {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (canonical.isEmpty())
        return {};
    return registry().value(canonical).lock();
}

std::shared_ptr<Database> Database::openFile(const QString& path) {
    QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        throw DbError(DbError::NotFound, QStringLiteral("找不到数据库文件: %1").arg(path));
    const QString canonical = info.canonicalFilePath();
    if (auto live = registry().value(canonical).lock())
        return live;
    int rc = 0;
    sqlite3* h = openHandle(canonical, SQLITE_OPEN_READWRITE, &rc);
    if (!h)
        throw DbError(DbError::Io, QStringLiteral("不能打开数据库文件: %1").arg(path));
    std::shared_ptr<Database> db(new Database(canonical, h));
    QString format;
    try {
        format = db->property(QStringLiteral("format"));
    } catch (const DbError& e) {
        if (e.kind() == DbError::Busy)
            throw;
        format.clear();
    }
    if (format != QLatin1String(kFormat))
        throw DbError(DbError::NotADatabase, QStringLiteral("不是本系统的数据库文件: %1").arg(path));
    db->loadSchema();
    registry().insert(canonical, db);
    return db;
}

std::shared_ptr<Database> Database::open(const QString& path, const QString& password) {
    auto db = openFile(path);
    db->checkPassword(password);
    return db;
}

std::pair<QString, QString> Database::parseConnectionText(const QString& text) {
    QString path, password;
    for (const QString& part : text.split(QLatin1Char(';'))) {
        const int eq = part.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        const QString key = part.left(eq).trimmed();
        const QString value = part.mid(eq + 1);
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

[[noreturn]] void Database::fail(int rc, const QString& what) const {
    const QString msg = rcText(db_);
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
        throw DbError(DbError::Busy, QStringLiteral("数据库正被别的程序使用,请稍后再试."));
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
            for (const TableDef& t : tables_)
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
        throw DbError(DbError::NotADatabase, QStringLiteral("不是本系统的数据库文件: %1").arg(path_));
    if (rc == SQLITE_ERROR)
        throw DbError(DbError::BadSql, QStringLiteral("SQL 语句有错: %1 (%2)").arg(msg, what));
    throw DbError(DbError::Io, QStringLiteral("数据库读写错误: %1").arg(msg));
}

sqlite3_stmt* Database::prepared(const QString& sql) {
    for (auto& [text, stmt] : cache_)
        if (text == sql)
            return stmt;
    sqlite3_stmt* stmt = nullptr;
    const int rc = sqlite3_prepare_v2(db_, toSqliteSql(sql).toUtf8().constData(), -1, &stmt, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(stmt);
        fail(rc, sql);
    }
    if (!stmt)
        throw DbError(DbError::BadSql, QStringLiteral("SQL 语句有错: %1").arg(sql));
    // Statements the layer builds repeat; texts the windows build mostly don't.
    if (cache_.size() >= 48) {
        sqlite3_finalize(cache_.front().second);
        cache_.erase(cache_.begin());
    }
    cache_.emplace_back(sql, stmt);
    return stmt;
}

void Database::release(sqlite3_stmt* stmt) {
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
}


int Database::execute(const QString& sql, const QVariantList& params) {
    sqlite3_stmt* stmt = prepared(sql);
    Released r{*this, stmt};
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
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        QVariantList row;
        row.reserve(n);
        for (int c = 0; c < n; ++c)
            row.append(column(stmt, c, defs[c] ? &*defs[c] : nullptr));
        rows.push_back(std::move(row));
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
    const int rc = depth_ == 0
        ? sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr)
        : sqlite3_exec(db_, QStringLiteral("SAVEPOINT s%1").arg(depth_).toLatin1().constData(),
                       nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        fail(rc, QStringLiteral("BEGIN"));
    ++depth_;
}

void Database::commit() {
    if (depth_ == 0)
        return;
    const int rc = depth_ == 1
        ? sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr)
        : sqlite3_exec(db_, QStringLiteral("RELEASE s%1").arg(depth_ - 1).toLatin1().constData(),
                       nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        fail(rc, QStringLiteral("COMMIT"));
    --depth_;
}

void Database::rollback() {
    if (depth_ == 0)
        return;
    int rc;
    if (depth_ == 1) {
        rc = sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    } else {
        const QByteArray sp = QStringLiteral("s%1").arg(depth_ - 1).toLatin1();
        rc = sqlite3_exec(db_, ("ROLLBACK TO " + sp + "; RELEASE " + sp).constData(), nullptr, nullptr, nullptr);
    }
    --depth_;
    if (depth_ == 0)
        loadSchema();    // a table created in the rolled back work is gone again
    if (rc != SQLITE_OK)
        fail(rc, QStringLiteral("ROLLBACK"));
}

bool Database::inTransaction() const { return depth_ > 0; }

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
    for (auto& [sql, stmt] : cache_)
        sqlite3_finalize(stmt);
    cache_.clear();
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
    for (RowStatement* r : {&lastInsert_, &lastUpdate_}) {
        sqlite3_finalize(r->stmt);
        *r = RowStatement{};
    }
}

sqlite3_stmt* Database::rowStatement(RowStatement& slot, const TableDef& def, const std::vector<int>& fields,
                                    const std::function<QString()>& sql) {
    if (slot.stmt && slot.fields == fields && slot.table == def.name)
        return slot.stmt;
    sqlite3_finalize(slot.stmt);
    slot = RowStatement{};
    const QString text = sql();
    sqlite3_stmt* stmt = nullptr;
    const int rc = sqlite3_prepare_v2(db_, text.toUtf8().constData(), -1, &stmt, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(stmt);
        fail(rc, text);
    }
    slot = RowStatement{def.name, fields, stmt};
    return stmt;
}

qint64 Database::insertChecked(const TableDef& def, const std::vector<int>& fields,
                               const std::vector<QVariant>& values) {
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
    Released r{*this, stmt};
    for (size_t i = 0; i < values.size(); ++i)
        bind(stmt, int(i) + 1, values[i]);
    const int rc = sqlite3_step(stmt);
    if (rc != SQLITE_DONE)
        fail(rc, QStringLiteral("INSERT"));
    return sqlite3_last_insert_rowid(db_);
}

void Database::updateChecked(const TableDef& def, qint64 rowid, const std::vector<int>& fields,
                             const std::vector<QVariant>& values) {
    if (fields.empty())
        return;
    sqlite3_stmt* stmt = rowStatement(lastUpdate_, def, fields, [&] {
        QStringList sets;
        for (int f : fields)
            sets << quoteName(def.fields[f].name) + QStringLiteral("=?");
        return QStringLiteral("UPDATE OR FAIL %1 SET %2 WHERE rowid=?").arg(quoteName(def.name), sets.join(QLatin1Char(',')));
    });
    Released r{*this, stmt};
    for (size_t i = 0; i < values.size(); ++i)
        bind(stmt, int(i) + 1, values[i]);
    sqlite3_bind_int64(stmt, int(values.size()) + 1, rowid);
    const int rc = sqlite3_step(stmt);
    if (rc != SQLITE_DONE)
        fail(rc, QStringLiteral("UPDATE"));
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
    const TableDef def = tableDef(table);
    execute(QStringLiteral("DELETE FROM %1 WHERE rowid=?").arg(quoteName(def.name)), {rowid});
}

} // namespace platform::db
