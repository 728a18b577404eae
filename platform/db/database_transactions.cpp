// Transactions, and the bounds of the work a typed query may do.
#include "platform/db/database.h"

#include <chrono>
#include <sqlite3.h>

namespace platform::db {

namespace {

// Typed SQL may run about this many engine steps (about a second) before it is
// stopped: a query over a school's file needs far fewer.
const int kProgressEvery = 1000;
const qint64 kWorkBudget = 100'000;     // in units of kProgressEvery steps

} // namespace

// ---------------------------------------------------------------------------
// Transactions

void Database::begin() {
    checkThread();
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
    checkThread();
    if (rulesLeftOut_ && !vouchedWrites_)
        setFieldRules(true);
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
    checkThread();
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
    // Like and the engine's sorts work within one step: they count their own work.
    watch_ = {db_.db_, kProgressEvery, &Database::countWork, &db_};
    watchBefore_ = watchJetWork(&watch_);
}

Database::WorkLimit::~WorkLimit() {
    if (!outer_)
        return;
    sqlite3_progress_handler(db_.db_, 0, nullptr, nullptr);
    watchJetWork(watchBefore_);
    sqlite3_limit(db_.db_, SQLITE_LIMIT_LENGTH, lengthBefore_);
    sqlite3_hard_heap_limit64(heapBefore_);
    db_.workLimited_ = false;
}

void Database::WorkLimit::checkComplete() const {
    if (watch_.cut)
        db_.fail(SQLITE_INTERRUPT, QString());
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

} // namespace platform::db
