// The Access reader in its own process: damaged files refused, whole ones read
// whole, the process held to its limits, and the stream it sends checked
// before anything in it is kept.
#include "support/old_databases.h"
#include "support/test_files.h"

#include "platform/db/foreign_database.h"
#include "platform/db/jet_transfer.h"
#include "platform/db/reader_process.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTimer>
#include <QtEndian>
#include <gtest/gtest.h>
#include <cstdio>
#include <csignal>
#include <map>
#include <fcntl.h>
#include <unistd.h>

using namespace platform::db;
using testsupport::copyOldDatabase;
using testsupport::fileBytes;

namespace {

qint64 rowsOf(const ForeignDatabase& db) {
    qint64 n = 0;
    for (const QString& t : db.tableNames())
        db.readRows(t, [&](const QVariantList&) { return ++n, true; });
    return n;
}

ReaderRun runShell(const QString& script, QByteArray* output = nullptr, int ms = 5000,
                   qint64 addressSpace = 0) {
    return runReaderProcess({QStringLiteral("/bin/sh"), QStringLiteral("-c"), script},
                            [&](const char* p, qsizetype n) {
                                if (output)
                                    output->append(p, n);
                                return true;
                            },
                            {ms, addressSpace});
}

} // namespace

TEST(JetReaderTest, DamagedCopiesAreRefusedAndWholeFilesReadEveryRow) {
    QTemporaryDir dir;
    const char* damaged[] = {"jet3-catalog-loop.mdb", "jet4-catalog-loop.mdb", "jet4-row-offsets-garbled.mdb",
                             "jet4-row-count-too-big.mdb", "jet3-bits-flipped.mdb"};
    for (const char* name : damaged) {
        SCOPED_TRACE(name);
        const QString path = copyOldDatabase(QStringLiteral("damaged/") + name, dir.path());
        const QByteArray before = fileBytes(path);
        try {
            ForeignDatabase::open(path);
            ADD_FAILURE() << "read as if whole";
        } catch (const DbError& e) {
            EXPECT_EQ(e.kind(), DbError::NotADatabase) << e.text().toStdString();
        }
        EXPECT_EQ(fileBytes(path), before);
    }
    struct Whole { QString name; qint64 rows; };
    for (const Whole& w : {Whole{"trading-jet3.mdb", 4032}, Whole{"dates-jet4.mdb", 6}}) {
        const auto db = ForeignDatabase::open(copyOldDatabase(w.name, dir.path()));
        EXPECT_EQ(rowsOf(*db), w.rows) << w.name.toStdString();
    }
}

TEST(JetReaderTest, ARowOnADamagedPageRefusesTheFileAlthoughLibmdbSaysNothing) {
    // A row's offset moved below the offset table, in the one data page of
    // Shippers: libmdb would read it from the wrong bytes.
    QTemporaryDir dir;
    const QString path = copyOldDatabase(QStringLiteral("trading-jet3.mdb"), dir.path());
    const QByteArray bytes = fileBytes(path);
    const qint64 row = bytes.indexOf(QByteArrayLiteral("Speedy Express(503) 555-9831"));
    ASSERT_GT(row, 0);
    const qint64 page = row / 2048 * 2048;
    const int slot = 0x08 + 2;   // Jet 3: the row count at 8, the first row's offset after it
    QByteArray change = bytes.mid(page + slot, 2);   // XORed with itself and 0x000a: 0x000a
    change[0] = char(change[0] ^ 0x0a);
    testsupport::xorIntoFile(path, page + slot, change);
    try {
        ForeignDatabase::open(path);
        ADD_FAILURE() << "read as if whole";
    } catch (const DbError& e) {
        EXPECT_EQ(e.kind(), DbError::NotADatabase);
        EXPECT_TRUE(e.text().contains(QStringLiteral("Shippers"))) << e.text().toStdString();
    }
}

TEST(JetReaderTest, CopiesWhosePagesNoLongerLineUpAreRefused) {
    // Bytes gone or come in between pages shift every page after: libmdb
    // read such copies as files with no tables, or with some of them.
    QTemporaryDir dir;
    using Change = std::function<void(QByteArray&)>;
    struct Case { const char* what; const char* file; Change change; };
    auto inserted = [](qint64 at, qsizetype n, char c = '\x5a') {
        return Change([=](QByteArray& b) { b.insert(at, QByteArray(n, c)); });
    };
    auto zeroed = [](qint64 page, qsizetype size) {
        return Change([=](QByteArray& b) { b.replace(page * size, size, QByteArray(size, 0)); });
    };
    const Case cases[] = {
        {"193 bytes inserted", "dates-jet4.mdb", inserted(6 * 4096 + 300, 193)},
        {"3 bytes inserted", "trading-jet3.mdb", inserted(5 * 2048 + 17, 3)},
        {"a byte inserted before the catalog", "dates-jet4.mdb", inserted(4096 + 5, 1)},
        {"a byte added at the end", "trading-jet3.mdb", [](QByteArray& b) { b.append('\0'); }},
        {"cut short in a page", "dates-jet4.mdb", [](QByteArray& b) { b.chop(1000); }},
        {"a page inserted before the catalog", "dates-jet4.mdb", inserted(4096, 4096, '\0')},
        {"a page gone before the catalog", "trading-jet3.mdb", [](QByteArray& b) { b.remove(2048, 2048); }},
        {"the catalog's definition zeroed", "trading-jet3.mdb", zeroed(2, 2048)},
        // Whole pages, but the catalog's rows gone: libmdb saw no tables at all.
        {"the catalog's rows zeroed", "trading-jet3.mdb", zeroed(6, 2048)},
        {"the catalog's rows zeroed, Jet 4", "dates-jet4.mdb", zeroed(6, 4096)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = copyOldDatabase(QString::fromLatin1(c.file), dir.path());
        QByteArray bytes = fileBytes(path);
        c.change(bytes);
        testsupport::writeFileBytes(path, bytes);
        try {
            const auto db = ForeignDatabase::open(path);
            ADD_FAILURE() << "read as if whole: " << db->tableNames().join(',').toStdString();
        } catch (const DbError& e) {
            EXPECT_EQ(e.kind(), DbError::NotADatabase) << e.text().toStdString();
        }
    }
}

TEST(JetReaderTest, APageOfATableZeroedInPlaceRefusesTheFile) {
    // Nothing shifted, the catalog whole. The page after each table's
    // definition holds its usage map: zeroed, libmdb read a map of no pages
    // and the table as empty or short, without a word. A listed data page
    // zeroed (417, 20) stays refused. A memo or picture's page zeroed (30):
    // libmdb read the value from the zeros.
    QTemporaryDir dir;
    struct Case { const char* file; qsizetype pageSize; qint64 page; };
    const Case cases[] = {
        {"trading-jet3.mdb", 2048, 24},  {"trading-jet3.mdb", 2048, 78},  {"trading-jet3.mdb", 2048, 95},
        {"trading-jet3.mdb", 2048, 416}, {"trading-jet3.mdb", 2048, 450}, {"trading-jet3.mdb", 2048, 551},
        {"trading-jet3.mdb", 2048, 568}, {"trading-jet3.mdb", 2048, 582}, {"trading-jet3.mdb", 2048, 756},
        {"trading-jet3.mdb", 2048, 417}, {"trading-jet3.mdb", 2048, 30},
        {"dates-jet4.mdb", 4096, 19},    {"dates-jet4.mdb", 4096, 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " page " + std::to_string(c.page));
        const QString path = copyOldDatabase(QString::fromLatin1(c.file), dir.path());
        QByteArray bytes = fileBytes(path);
        ASSERT_GT(bytes.size(), (c.page + 1) * c.pageSize);
        bytes.replace(c.page * c.pageSize, c.pageSize, QByteArray(c.pageSize, 0));
        testsupport::writeFileBytes(path, bytes);
        try {
            const auto db = ForeignDatabase::open(path);
            ADD_FAILURE() << "read as if whole: " << rowsOf(*db) << " rows";
        } catch (const DbError& e) {
            EXPECT_EQ(e.kind(), DbError::NotADatabase) << e.text().toStdString();
        }
    }
}

// ---------------------------------------------------------------- moved rows and the catalog

namespace {

// An Access file's pages as the engine lays them out: 2 KB for Jet 3 with a
// data page's row count at 8, 4 KB for Jet 4 with it at 12; the rows' offsets
// follow the count, the rows lie from the page's end downwards.
struct Pages {
    QByteArray& bytes;
    qsizetype size = bytes[0x14] == 0 ? 2048 : 4096;
    int countAt = size == 2048 ? 8 : 12;

    qint64 at(qint64 page, int offset) const { return page * size + offset; }
    int u16(qint64 page, int offset) const { return qFromLittleEndian<quint16>(bytes.constData() + at(page, offset)); }
    void set16(qint64 page, int offset, int value) { qToLittleEndian(quint16(value), bytes.data() + at(page, offset)); }
    int rows(qint64 page) const { return u16(page, countAt); }
    int slot(qint64 page, int row) const { return u16(page, countAt + 2 + 2 * row); }
    void setSlot(qint64 page, int row, int word) { set16(page, countAt + 2 + 2 * row, word); }
    int start(qint64 page, int row) const { return slot(page, row) & 0x1fff; }
    int end(qint64 page, int row) const { return row == 0 ? int(size) : start(page, row - 1); }
    qint64 pageCount() const { return bytes.size() / size; }

    quint32 owner(qint64 page) const { return qFromLittleEndian<quint32>(bytes.constData() + at(page, 4)); }
    // The data page and row holding `text` in the table defined on page `table`.
    std::pair<qint64, int> rowHolding(const QByteArray& text, quint32 table) const {
        for (qint64 offset = bytes.indexOf(text); offset >= 0; offset = bytes.indexOf(text, offset + 1)) {
            const qint64 page = offset / size;
            if (bytes[at(page, 0)] != 1 || owner(page) != table)
                continue;
            for (int r = 0; r < rows(page); ++r)
                if (start(page, r) <= offset - page * size && offset - page * size < end(page, r))
                    return {page, r};
        }
        ADD_FAILURE() << "no row holds " << text.toStdString();
        return {0, 0};
    }
    // Of the data pages of the table defined on page `table`, the one with the most room.
    qint64 roomiest(quint32 table, qint64 besides) const {
        qint64 best = 0;
        for (qint64 p = 1; p < pageCount(); ++p)
            if (p != besides && bytes[at(p, 0)] == 1 && owner(p) == table && rows(p) > 0 && (best == 0 || u16(p, 2) > u16(best, 2)))
                best = p;
        return best;
    }
    // Moves a row as the engine does when an update makes it too long for its
    // slot: the row goes below the lowest row of page `to` as a new slot
    // flagged 0x8000; the old slot, flagged 0x4000, keeps its bytes but for
    // the first four, now the new slot's row and page. Returns the new slot.
    int moveRow(qint64 from, int row, qint64 to) {
        const int was = start(from, row);
        const QByteArray bytesOfRow = bytes.mid(at(from, was), end(from, row) - was);
        const int n = rows(to);
        int lowest = int(size);
        for (int r = 0; r < n; ++r)
            lowest = std::min(lowest, start(to, r));
        const int place = lowest - int(bytesOfRow.size());
        EXPECT_GT(place, countAt + 2 + 2 * (n + 1)) << "no room on page " << to;
        bytes.replace(at(to, place), bytesOfRow.size(), bytesOfRow);
        set16(to, 2, u16(to, 2) - int(bytesOfRow.size()) - 2);   // the page's free space
        set16(to, countAt, n + 1);
        setSlot(to, n, place | 0x8000);
        setSlot(from, row, was | 0x4000);
        qToLittleEndian(quint32(to << 8 | n), bytes.data() + at(from, was));
        return n;
    }
};

using Tables = std::map<QString, std::vector<QVariantList>>;

Tables readWhole(const QString& path) {
    const auto db = ForeignDatabase::open(path);
    Tables out;
    for (const QString& t : db->tableNames())
        db->readRows(t, [&](const QVariantList& r) { return out[t].push_back(r), true; });
    return out;
}

// A copy of a sample with a change made to its bytes; empty when the sample is missing.
QString changedCopy(const QTemporaryDir& dir, const QString& sample, const std::function<void(Pages&)>& change) {
    const QString path = copyOldDatabase(sample, dir.path());
    QByteArray bytes = fileBytes(path);
    Pages pages{bytes};
    change(pages);
    testsupport::writeFileBytes(path, bytes);
    return path;
}

DbError::Kind refusal(const QString& path, QString* text = nullptr) {
    try {
        const auto db = ForeignDatabase::open(path);
        ADD_FAILURE() << "read as if whole: " << rowsOf(*db) << " rows";
    } catch (const DbError& e) {
        if (text)
            *text = e.text();
        return e.kind();
    }
    return DbError::Stale;
}

} // namespace

TEST(JetReaderTest, AMovedRowIsReadOnceInItsPlaceWithItsValues) {
    // libmdb alone reads each of these copies whole; our checks refused them,
    // counting neither the moved row's old slot nor its new one.
    QTemporaryDir dir;
    struct Case { const char* what; const char* file; std::function<void(Pages&)> move; };
    const Case cases[] = {
        {"Shippers' first row, Jet 3", "trading-jet3.mdb",
         [](Pages& f) {
             const auto [page, row] = f.rowHolding("Speedy Express", 581);   // Shippers' definition
             f.moveRow(page, row, page);
         }},
        {"DateTest's second row, on its page 20, Jet 4", "dates-jet4.mdb", [](Pages& f) { f.moveRow(20, 1, 20); }},
        {"an order's row to another page of Orders, Jet 3", "trading-jet3.mdb",
         [](Pages& f) {
             const auto [page, row] = f.rowHolding("Vins et alcools Chevalier", 449);   // Orders' definition
             f.moveRow(page, row, f.roomiest(449, page));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Tables before = readWhole(copyOldDatabase(QString::fromLatin1(c.file), dir.path()));
        const Tables after = readWhole(changedCopy(dir, QString::fromLatin1(c.file), c.move));
        EXPECT_EQ(after, before);
    }

    // Moved rows that do not hold together refuse the file.
    auto moved = [](Pages& f) { return f.moveRow(20, 1, 20); };
    const Case damaged[] = {
        {"a pointer to a row its page does not have", "dates-jet4.mdb",
         [&](Pages& f) {
             moved(f);
             f.bytes[f.at(20, f.start(20, 1))] = char(40);
         }},
        {"the new slot unflagged, the row there twice", "dates-jet4.mdb",
         [&](Pages& f) {
             const int slot = moved(f);
             f.setSlot(20, slot, f.start(20, slot));
         }},
        {"a second pointer to the moved row, standing for a row gone", "dates-jet4.mdb",
         [&](Pages& f) {
             moved(f);
             f.bytes.replace(f.at(20, f.start(20, 2)), 4, f.bytes.mid(f.at(20, f.start(20, 1)), 4));
             f.setSlot(20, 2, f.start(20, 2) | 0x4000);
         }},
    };
    for (const Case& c : damaged) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(refusal(changedCopy(dir, QString::fromLatin1(c.file), c.move)), DbError::NotADatabase);
    }
}

TEST(JetReaderTest, FilesTheOldEngineWroteElsewhereReadWhole) {
    // Their system tables hold moved rows.
    QTemporaryDir dir;
    struct Whole { QString name; QString table; size_t rows; };
    for (const Whole& w : {Whole{"real/node-adodb.mdb", "Users", 3}, Whole{"real/database-js-test.mdb", "states", 51}}) {
        const Tables all = readWhole(copyOldDatabase(w.name, dir.path()));
        ASSERT_EQ(all.size(), 1u) << w.name.toStdString();
        EXPECT_EQ(all.begin()->first, w.table);
        EXPECT_EQ(all.begin()->second.size(), w.rows);
    }
}

TEST(JetReaderTest, ADamagedCatalogOrDefinitionRefusesTheFile) {
    // Each read short without a word: tables gone, or read as another's.
    QTemporaryDir dir;
    auto copyPage = [](qint64 from, qint64 over) {
        return [=](Pages& f) { f.bytes.replace(f.at(over, 0), f.size, f.bytes.mid(f.at(from, 0), f.size)); };
    };
    struct Case { const char* what; const char* file; std::function<void(Pages&)> change; };
    const Case cases[] = {
        // Rows of the catalog the engine moved to page 713: Customers and Employees gone.
        {"catalog rows zeroed", "trading-jet3.mdb",
         [](Pages& f) { f.bytes.replace(f.at(713, 1276), 154, QByteArray(154, 0)); }},
        // A system table's definition over DateTest's: 8 fields and no rows.
        {"page 4 copied over DateTest's definition", "dates-jet4.mdb", copyPage(4, 18)},
        // An empty table's definition over Shippers': its fields, no rows, the same usage map.
        {"MSysIMEXColumns' definition copied over Shippers'", "trading-jet3.mdb", copyPage(211, 581)},
        // Customers' catalog row made a query's: the table gone. The row's
        // field count, then its id (its definition's page, 77), its parent's
        // id and its type (1, a table).
        {"a table's catalog row of another type", "trading-jet3.mdb",
         [](Pages& f) {
             const auto [page, row] = f.rowHolding(QByteArray::fromHex("114d000000010000" "0f0100"), 2);
             f.bytes[f.at(page, f.start(page, row) + 9)] = 5;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QString text;
        EXPECT_EQ(refusal(changedCopy(dir, QString::fromLatin1(c.file), c.change), &text), DbError::NotADatabase)
            << text.toStdString();
    }
}

TEST(JetReaderTest, NoWholePageDamageReadsAFileShort) {
    // Pages zeroed, copied over by the next page of the same kind, or with
    // bytes flipped: each copy is refused or read with every table and row
    // of its sample. Every other page of the small files; of the large one,
    // whose every copy takes a quarter of a second, the catalog's pages and
    // Shippers'. Every page of each with OLD_DATABASE_SWEEP set (some minutes).
    QTemporaryDir dir;
    const bool sweep = qEnvironmentVariableIsSet("OLD_DATABASE_SWEEP");
    struct Sample { QString name; std::vector<qint64> pages; };   // none listed: every other page
    const Sample samples[] = {{"dates-jet4.mdb", {}}, {"real/node-adodb.mdb", {}}, {"real/database-js-test.mdb", {}},
                              {"trading-jet3.mdb", {2, 6, 18, 19, 22, 548, 713, 581, 582, 583}}};
    int refused = 0, whole = 0, changedValues = 0, copies = 0;
    for (const Sample& s : samples) {
        const Tables sample = readWhole(copyOldDatabase(s.name, dir.path()));
        QByteArray original = fileBytes(copyOldDatabase(s.name, dir.path()));
        const Pages pages{original};
        std::vector<qint64> listed = sweep ? std::vector<qint64>{} : s.pages;
        if (listed.empty())
            for (qint64 page = 1; page < pages.pageCount(); page += sweep ? 1 : 2)
                listed.push_back(page);
        for (const qint64 page : listed) {
            qint64 sameKind = page;
            do
                sameKind = sameKind % (pages.pageCount() - 1) + 1;
            while (sameKind != page && original[pages.at(sameKind, 0)] != original[pages.at(page, 0)]);
            const std::function<void(Pages&)> changes[] = {
                [&](Pages& f) { f.bytes.replace(f.at(page, 0), f.size, QByteArray(f.size, 0)); },
                [&](Pages& f) { f.bytes.replace(f.at(page, 0), f.size, original.mid(f.at(sameKind, 0), f.size)); },
                [&](Pages& f) {
                    for (quint32 k = 0; k < 8; ++k) {
                        const quint32 at = quint32(page * 2654435761u + k * 40503u) % quint32(f.size);
                        f.bytes[f.at(page, int(at))] = char(f.bytes[f.at(page, int(at))] ^ (1 << k));
                    }
                },
            };
            for (const auto& change : changes) {
                ++copies;
                const QString path = changedCopy(dir, s.name, change);
                Tables read;
                try {
                    read = readWhole(path);
                } catch (const DbError& e) {
                    EXPECT_EQ(e.kind(), DbError::NotADatabase) << e.text().toStdString();
                    ++refused;
                    continue;
                }
                size_t rows = 0, sampleRows = 0;
                for (const auto& [table, all] : read)
                    rows += all.size();
                for (const auto& [table, all] : sample) {
                    sampleRows += all.size();
                    EXPECT_GE(read[table].size(), all.size()) << s.name.toStdString() << " page " << page << " " << table.toStdString();
                }
                EXPECT_GE(read.size(), sample.size()) << s.name.toStdString() << " page " << page;
                EXPECT_GE(rows, sampleRows) << s.name.toStdString() << " page " << page;
                ++(read == sample ? whole : changedValues);
            }
        }
    }
    std::printf("%d copies: %d refused, %d read whole, %d read with every row but changed values\n", copies, refused,
                whole, changedValues);
}

TEST(ReaderProcessTest, HeldToItsLimitsAndItsComplaintsHeard) {
    // A reader that never ends is killed at the time limit.
    ReaderRun run = runShell(QStringLiteral("while :; do :; done"), nullptr, 300);
    EXPECT_TRUE(run.timedOut);
    EXPECT_EQ(run.signal, SIGKILL);
    EXPECT_FALSE(run.clean());

    // What it writes on descriptor 3 is the output; on stdout or stderr, a complaint that stops it.
    QByteArray out;
    run = runShell(QStringLiteral("printf 'frames' >&3"), &out);
    EXPECT_TRUE(run.clean());
    EXPECT_EQ(out, "frames");
    for (const char* script : {"echo 'warning: page 7' >&2; sleep 10", "echo 'row 3'; sleep 10"}) {
        run = runShell(QString::fromLatin1(script));
        EXPECT_TRUE(run.stopped) << script;
        EXPECT_FALSE(run.timedOut) << script;
        EXPECT_TRUE(run.complaints.startsWith("row 3") || run.complaints.startsWith("warning: page 7")) << script;
    }

    // Output refused: killed at once, whatever it meant to send.
    int chunks = 0;
    run = runReaderProcess({QStringLiteral("/bin/sh"), QStringLiteral("-c"), QStringLiteral("while :; do echo x >&3; done")},
                           [&](const char*, qsizetype) { return ++chunks < 2; }, {5000, 0});
    EXPECT_TRUE(run.stopped);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(chunks, 2);

    // None of libmdb's switches from the environment, none of our open files.
    qputenv("MDBOPTS", "debug_row");
    QTemporaryFile open;
    ASSERT_TRUE(open.open());
    const int inherited = ::open(QFile::encodeName(open.fileName()).constData(), O_RDONLY);   // no close-on-exec
    out.clear();
    ASSERT_GT(inherited, 3);
    run = runShell(QStringLiteral("env | grep ^MDB >&3; [ -e /proc/$$/fd/%1 ] && echo open >&3; printf end >&3")
                       .arg(inherited),
                   &out);
    ::close(inherited);
    qunsetenv("MDBOPTS");
    EXPECT_EQ(out, "end");

    // A program that is not there: never started, or its exec failed.
    run = runReaderProcess({QStringLiteral("/nonexistent/mdb_reader")}, [](const char*, qsizetype) { return true; },
                           {5000, 0});
    EXPECT_FALSE(run.clean());
}

#if !defined(__SANITIZE_ADDRESS__)
TEST(ReaderProcessTest, AddressSpaceIsBounded) {
    // The shell grows a 100 MB text under a 64 MB limit: its allocation fails, never the machine.
    QByteArray out;
    const ReaderRun run = runShell(QStringLiteral("x=$(head -c 100000000 /dev/zero | tr '\\0' a); printf ok >&3"),
                                   &out, 20000, 64LL * 1024 * 1024);
    EXPECT_FALSE(run.clean());
    EXPECT_NE(out, "ok");
    EXPECT_LT(run.peakKilobytes, 64 * 1024);
}
#endif

TEST(ReaderProcessTest, EventsGoOnWhileItRunsButUserInputIsDropped) {
    struct Counter : QObject {
        int user = 0, keys = 0, closes = 0;
        bool event(QEvent* e) override {
            if (e->type() == QEvent::User) ++user;
            if (e->type() == QEvent::KeyPress) ++keys;
            if (e->type() == QEvent::Close) ++closes;
            return true;
        }
    } counter;
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (++ticks == 1) {
            QCoreApplication::postEvent(&counter, new QEvent(QEvent::KeyPress));
            QCoreApplication::postEvent(&counter, new QEvent(QEvent::Close));
            QCoreApplication::postEvent(&counter, new QEvent(QEvent::User));
        }
    });
    timer.start(20);
    const ReaderRun run = runShell(QStringLiteral("sleep 0.4"));
    timer.stop();
    EXPECT_TRUE(run.clean());
    EXPECT_GE(ticks, 3);
    EXPECT_EQ(counter.user, 1);
    EXPECT_EQ(counter.keys, 0);
    EXPECT_EQ(counter.closes, 0);
    // Dropped, not kept for later.
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.keys, 0);
}

// ---------------------------------------------------------------- the stream

namespace {

struct StreamTest : ::testing::Test {
    // What JetStreamWriter writes, as bytes.
    QByteArray written(const std::function<void(JetStreamWriter&)>& write) {
        int fds[2];
        EXPECT_EQ(pipe(fds), 0);
        {
            JetStreamWriter w(fds[1]);
            write(w);
            w.flush();
        }
        ::close(fds[1]);
        QByteArray all;
        char buf[4096];
        for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;)
            all.append(buf, n);
        ::close(fds[0]);
        return all;
    }
    static std::vector<ForeignField> fields() {
        return {{"id", FieldType::Long, 0, "Long"},       {"name", FieldType::Text, 20, "Text"},
                {"mark", FieldType::Double, 0, "Double"}, {"day", FieldType::Date, 0, "DateTime"},
                {"paid", FieldType::Boolean, 0, "Boolean"}, {"photo", FieldType::Memo, 0, "OLE"}};
    }
    static QVariantList row() {
        return {7, QStringLiteral("王芳"), 91.5, QDateTime(QDate(633, 1, 1), QTime(13, 5, 9)), true,
                QByteArray("\x15\x1c\x00\xff", 4)};
    }
    QByteArray good() {
        return written([](JetStreamWriter& w) {
            w.begin(ForeignDatabase::Kind::Jet4);
            w.table("学生", fields());
            w.row(row());
            w.row({QVariant(), QString(), QVariant(), QVariant(), false, QVariant()});
            w.table("Empty", {});
            w.end();
        });
    }
    static QByteArray frame(const QByteArray& body) {
        QByteArray f(4, 0);
        qToLittleEndian(quint32(body.size()), f.data());
        return f + body;
    }
};

} // namespace

TEST_F(StreamTest, EveryKindOfValueComesThroughAsSent) {
    JetStreamReader reader(ForeignDatabase::Kind::Jet4, 1 << 20, 100);
    const QByteArray bytes = good();
    // In pieces of any size: a pipe hands them over so.
    for (qsizetype at = 0; at < bytes.size(); at += 3)
        ASSERT_TRUE(reader.feed(bytes.constData() + at, std::min<qsizetype>(3, bytes.size() - at)));
    ASSERT_TRUE(reader.complete());
    const auto db = reader.take("x.mdb");
    EXPECT_EQ(db->kind(), ForeignDatabase::Kind::Jet4);
    EXPECT_EQ(db->tableNames(), QStringList({"学生", "Empty"}));
    EXPECT_EQ(db->fields("学生")[1].size, 20);
    std::vector<QVariantList> rows;
    db->readRows("学生", [&](const QVariantList& r) { rows.push_back(r); return true; });
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], row());
    EXPECT_EQ(rows[0][0].metaType().id(), QMetaType::Int);
    EXPECT_FALSE(rows[1][0].isValid());
    EXPECT_TRUE(rows[1][1].isValid() && rows[1][1].toString().isEmpty());   // empty text apart from Null
    EXPECT_EQ(rows[1][4], QVariant(false));
    EXPECT_THROW(db->fields("none"), DbError);
}

TEST_F(StreamTest, ATableTheReaderCouldNotFinishGivesItsRowsThenTheReason) {
    JetStreamReader reader(ForeignDatabase::Kind::Jet3, 1 << 20, 100);
    const QByteArray bytes = written([](JetStreamWriter& w) {
        w.begin(ForeignDatabase::Kind::Jet3);
        w.table("Customers", {{"City", FieldType::Text, 15, "Text"}});
        w.row({QStringLiteral("Berlin")});
        w.tableFailed("表Customers第2行的字段City: 不是GBK文字");
        w.table("Shippers", {{"Name", FieldType::Text, 40, "Text"}});
        w.row({QStringLiteral("Speedy")});
        w.end();
    });
    ASSERT_TRUE(reader.feed(bytes.constData(), bytes.size()));
    const auto db = reader.take("old.mdb");
    ASSERT_TRUE(db);
    int seen = 0;
    try {
        db->readRows("customers", [&](const QVariantList&) { return ++seen, true; });
        ADD_FAILURE() << "not refused";
    } catch (const DbError& e) {
        EXPECT_EQ(e.kind(), DbError::NotADatabase);
        EXPECT_TRUE(e.text().contains("City"));
    }
    EXPECT_EQ(seen, 1);
    db->readRows("Shippers", [&](const QVariantList&) { return ++seen, true; });
    EXPECT_EQ(seen, 2);
}

TEST_F(StreamTest, AnythingOutOfShapeRefusesTheFile) {
    const QByteArray head = frame(QByteArray("HJETR\x01", 6));
    const QByteArray table = frame(QByteArray("T", 1) + QByteArray::fromHex("02000000") + QByteArray("a\0", 2)
                                   + QByteArray::fromHex("01000000") + QByteArray::fromHex("02000000")
                                   + QByteArray("n\0", 2) + char(FieldType::Long) + QByteArray::fromHex("00000000")
                                   + QByteArray::fromHex("00000000"));
    const QByteArray intRow = frame(QByteArray("R\x03", 2) + QByteArray::fromHex("07000000"));
    auto end = [&](int tables, int rows) {
        QByteArray b("E");
        b += QByteArray::fromHex("00000000") + QByteArray::fromHex("0000000000000000");
        b[1] = char(tables);
        b[5] = char(rows);
        return frame(b);
    };
    ASSERT_TRUE([&] {
        JetStreamReader r(ForeignDatabase::Kind::Jet4, 1 << 20, 100);
        const QByteArray all = head + table + intRow + end(1, 1);
        return r.feed(all.constData(), all.size()) && r.complete();
    }()) << "the cases below differ from a sound stream in one place";

    struct Case { const char* what; QByteArray bytes; qint64 rowLimit = 100; };
    const Case cases[] = {
        {"another kind of file", frame(QByteArray("HJETR\x00", 6)) + table + end(1, 0)},
        {"no greeting", table + end(1, 0)},
        {"a row before any table", head + intRow + table + end(1, 1)},
        {"a text in a Long field", head + table + frame(QByteArray("R\x05", 2) + QByteArray::fromHex("02000000") + "a\0") + end(1, 1)},
        {"a Null yes/no", head + frame(QByteArray("T\x02\0\0\0a\0\x01\0\0\0\x02\0\0\0b\0\x07\0\0\0\0\0\0\0\0", 27)) + frame(QByteArray("R\x00", 2)) + end(1, 1)},
        {"a value too few", head + table + frame("R") + end(1, 1)},
        {"bytes after the row", head + table + frame(QByteArray("R\x03", 2) + QByteArray::fromHex("0700000000")) + end(1, 1)},
        {"a value kind nobody knows", head + table + frame(QByteArray("R\x09", 2) + QByteArray::fromHex("07000000")) + end(1, 1)},
        {"half a character", head + frame(QByteArray("T\x03\0\0\0a\0b\0\0\0", 12)) + end(1, 0)},
        {"a field type nobody knows", head + frame(QByteArray("T\x02\0\0\0a\0\x01\0\0\0\x02\0\0\0n\0\x09\0\0\0\0\0\0\0\0", 27)) + end(1, 0)},
        {"a frame of nothing", head + QByteArray(4, 0) + table + end(1, 0)},
        {"a frame too long to be one", head + QByteArray::fromHex("ffffffff") + table},
        {"a frame kind nobody knows", head + table + frame("Z") + end(1, 0)},
        {"rows counted wrong", head + table + intRow + end(1, 2)},
        {"tables counted wrong", head + table + intRow + end(2, 1)},
        {"something after the end", head + table + intRow + end(1, 1) + intRow},
        {"half a frame at the end", head + table + intRow + end(1, 1) + QByteArray::fromHex("0500")},
        {"a row after the table was given up", head + table + frame(QByteArray("F\x02\0\0\0x\0", 7)) + intRow + end(1, 1)},
        {"more rows than the file can hold", head + table + intRow + intRow + end(1, 2), 1},
        {"a date past midnight", head + frame(QByteArray("T\x02\0\0\0a\0\x01\0\0\0\x02\0\0\0d\0\x05\0\0\0\0\0\0\0\0", 27))
                                     + frame(QByteArray("R\x06", 2) + QByteArray::fromHex("4c8b250000000000") + QByteArray::fromHex("005c2605")) + end(1, 1)},
        {"the reader's own finding", head + frame(QByteArray("D\x04\0\0\0x\0y\0", 9))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        JetStreamReader r(ForeignDatabase::Kind::Jet4, 1 << 20, c.rowLimit);
        r.feed(c.bytes.constData(), c.bytes.size());
        EXPECT_FALSE(r.complete());
        EXPECT_FALSE(r.take("x.mdb"));
    }
    // A reader sending more than the file could hold is cut off.
    JetStreamReader r(ForeignDatabase::Kind::Jet4, 64, 100);
    const QByteArray many = head + table + intRow + intRow + intRow + intRow + intRow + end(1, 5);
    EXPECT_FALSE(r.feed(many.constData(), many.size()));
    EXPECT_TRUE(r.refused());
}

TEST_F(StreamTest, NoCutOrChangedByteMakesTheProgramReadOutOfBounds) {
    // For the sanitizer build above all: every prefix is incomplete, and every
    // stream with one byte changed is refused or reads without fault.
    const QByteArray bytes = good();
    for (qsizetype n = 0; n < bytes.size(); ++n) {
        JetStreamReader r(ForeignDatabase::Kind::Jet4, 1 << 20, 100);
        r.feed(bytes.constData(), n);
        EXPECT_FALSE(r.complete()) << n;
    }
    int accepted = 0;
    for (qsizetype at = 0; at < bytes.size(); ++at)
        for (const char change : {char(0x01), char(0x80), char(0xff)}) {
            QByteArray b = bytes;
            b[at] = char(b[at] ^ change);
            JetStreamReader r(ForeignDatabase::Kind::Jet4, 1 << 20, 100);
            r.feed(b.constData(), b.size());
            if (!r.complete())
                continue;
            ++accepted;
            const auto db = r.take("x.mdb");
            for (const QString& t : db->tableNames())
                db->readRows(t, [](const QVariantList&) { return true; });
        }
    EXPECT_GT(accepted, 0);   // a changed letter of a text is still a text
}
