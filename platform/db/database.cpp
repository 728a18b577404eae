#include "platform/db/database.h"

#include "platform/db/engine_reason.h"
#include "platform/db/jet_work.h"
#include "platform/db/textorder.h"
#include "platform/text/system_errors.h"
#include "platform/text/whole_file.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
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

QString hashPassword(const QByteArray& salt, const QString& password) {
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(salt);
    h.addData(password.toUtf8());
    return QString::fromLatin1(h.result().toHex());
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
// Opening

Database::Database(const QString& canonicalPath, sqlite3* handle) : path_(canonicalPath), db_(handle) {}

Database::~Database() {
    checkThread();
    dropRowStatements();
    for (const Cached& c : cache_)
        sqlite3_finalize(c.stmt);
    // Closing rolls back what the ROLLBACK could not: its result changes nothing.
    if (depth_ > 0 && !sqlite3_get_autocommit(db_))
        (void)sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close_v2(db_);
    if (!registered_)
        return;
    auto it = registry().find(path_);
    if (it != registry().end() && it->expired())
        registry().erase(it);
}

void Database::usedByAnotherThread() const {
    qFatal("The connection to %s is used by a thread other than the one that opened it", qUtf8Printable(path_));
}

void Database::setFieldRules(bool on) {
    const char* sql = on ? "PRAGMA ignore_check_constraints=0" : "PRAGMA ignore_check_constraints=1";
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        fail(rc, QString::fromLatin1(sql));
    rulesLeftOut_ = !on;
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
    // A connection is only ever used by the thread that opened it: the
    // engine's lock around every call and every value it hands back buys
    // nothing.
    *rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &h, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (*rc != SQLITE_OK) {
        if (why)
            *why = engineReason(h, *rc);
        sqlite3_close_v2(h);
        return nullptr;
    }
    sqlite3_busy_timeout(h, kBusyMilliseconds);
    sqlite3_extended_result_codes(h, 0);
    registerJetFunctions(h);
    sqlite3_create_function_v2(h, "msys_single", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                               counted<singleFn>, nullptr, nullptr, nullptr);
    for (const char* name : {"printf", "format"})
        sqlite3_create_function_v2(h, name, -1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                   counted<boundedPrintf>, nullptr, nullptr, nullptr);
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
    db->registered_ = true;
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

std::shared_ptr<Database> Database::openFile(const QString& path, bool shared, DamageCheck damageCheck) {
    QFileInfo info(path);
    if (!info.exists())
        throw DbError(DbError::NotFound, QStringLiteral("找不到数据库文件: %1").arg(path));
    // Before the engine opens it: a FIFO would hold the open or the first
    // read until some writer came, and a device would be read as pages.
    if (const int e = plainFileState(path))
        throw DbError(DbError::Io, QStringLiteral("不能打开数据库文件: %1 (%2)").arg(path, systemErrorReason(e)));
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
    if (!shared && (rc = sqlite3_exec(h, "PRAGMA query_only=1", nullptr, nullptr, nullptr)) != SQLITE_OK)
        throw DbError(DbError::Io, QStringLiteral("不能打开数据库文件: %1 (%2)").arg(path, engineReason(h, rc)));
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
    // The programs make no trigger: one in the file would write rows that no
    // field rule checks while the rules are left out for a stage.
    if (db->scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'trigger'")).toLongLong() > 0)
        throw DbError(DbError::Damaged, QStringLiteral("数据库文件已损坏: %1").arg(path));
    // Damage found now is told as such, before any work is done on the file.
    // The check walks every page and record but leaves the rows' CHECK rules
    // alone: evaluating them for every value was nine tenths of its time, and a
    // row breaking a field rule is no damage to the file.
    if (damageCheck == DamageCheck::AtOpen) {
        // Left in, the rules only make the walk slower; the connection is
        // dropped unless they are back.
        try {
            db->setFieldRules(false);
        } catch (const DbError&) {
        }
        const QString check = db->scalar(QStringLiteral("PRAGMA quick_check(1)")).toString();
        if (db->rulesLeftOut_)
            db->setFieldRules(true);
        if (check != QLatin1String("ok"))
            throw DbError(DbError::Damaged, QStringLiteral("数据库文件已损坏: %1").arg(path));
    }
    db->loadSchema();
    if (shared) {
        registry().insert(canonical, db);
        db->registered_ = true;
    }
    return db;
}

std::shared_ptr<Database> Database::openReadOnly(const QString& path, const QString& password,
                                                 DamageCheck check) {
    auto db = openFile(path, false, check);
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

} // namespace platform::db
