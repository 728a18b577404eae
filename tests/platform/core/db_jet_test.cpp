// The Access reader on the two real files, and its header and text decoding on
// bytes built here for what no real file shows (Chinese text, a password).
#include "support/old_databases.h"

#include "platform/db/foreign_database.h"
#include "platform/db/jet_file.h"
#include "platform/text/gbk.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace platform::db;
using testsupport::copyOldDatabase;
using testsupport::fileBytes;

namespace {

const QString kJet3 = QStringLiteral("trading-jet3.mdb");
const QString kJet4 = QStringLiteral("dates-jet4.mdb");

struct JetFileTest : ::testing::Test {
    QTemporaryDir dir;

    std::vector<QVariantList> rows(const ForeignDatabase& db, const QString& table) {
        std::vector<QVariantList> out;
        db.readRows(table, [&](const QVariantList& r) { out.push_back(r); return true; });
        return out;
    }
    const QVariantList* rowWith(const std::vector<QVariantList>& all, int column, const QVariant& value) {
        for (const QVariantList& r : all)
            if (r[column] == value)
                return &r;
        return nullptr;
    }
    DbError::Kind openFails(const QString& path) {
        try {
            ForeignDatabase::open(path);
        } catch (const DbError& e) {
            return e.kind();
        }
        return DbError::Stale;
    }
};

} // namespace

TEST_F(JetFileTest, Jet3FileListsTablesFieldsAndRowsWithAccentsAndNulls) {
    const QString path = copyOldDatabase(kJet3, dir.path());
    const QByteArray before = fileBytes(path);
    const auto db = ForeignDatabase::open(path);
    EXPECT_EQ(db->kind(), ForeignDatabase::Kind::Jet3);

    QStringList tables = db->tableNames();
    EXPECT_TRUE(tables.contains(QStringLiteral("Umsätze")));
    tables.sort();
    EXPECT_EQ(tables, QStringList({"Categories", "Customers", "Employees", "Order Details", "Orders", "Products",
                                   "Shippers", "Suppliers", "Umsätze"}));

    // Fields in order with their types; names compare without ASCII case.
    const auto customers = db->fields(QStringLiteral("customers"));
    ASSERT_EQ(customers.size(), 11u);
    EXPECT_EQ(customers[0].name, QStringLiteral("CustomerID"));
    EXPECT_EQ(customers[0].type, FieldType::Text);
    EXPECT_EQ(customers[0].size, 5);
    EXPECT_EQ(customers[10].name, QStringLiteral("Fax"));
    struct Kind { QString table; int field; QString name; FieldType type; QString typeName; };
    const Kind kinds[] = {
        {"Orders", 3, "OrderDate", FieldType::Date, "DateTime"},
        {"Orders", 7, "Freight", FieldType::Double, "Currency"},
        {"Order Details", 3, "Quantity", FieldType::Integer, "Integer"},
        {"Order Details", 4, "Discount", FieldType::Single, "Single"},
        {"Products", 9, "Discontinued", FieldType::Boolean, "Boolean"},
        {"Employees", 14, "Photo", FieldType::Memo, "OLE"},
        {"Employees", 15, "Notes", FieldType::Memo, "Memo"},
        {"Umsätze", 0, "OrderID", FieldType::Long, "Long"},
    };
    for (const Kind& k : kinds) {
        const ForeignField f = db->fields(k.table).at(k.field);
        EXPECT_EQ(f.name, k.name);
        EXPECT_EQ(f.type, k.type) << k.name.toStdString();
        EXPECT_EQ(f.typeName, k.typeName);
    }
    EXPECT_THROW(db->fields(QStringLiteral("MSysObjects")), DbError);

    // Accented letters intact, Null as an invalid value.
    const auto all = rows(*db, QStringLiteral("Customers"));
    EXPECT_EQ(all.size(), 91u);
    const QVariantList* anton = rowWith(all, 0, QStringLiteral("ANTON"));
    ASSERT_TRUE(anton);
    EXPECT_EQ((*anton)[1].toString(), QStringLiteral("Antonio Moreno Taquería"));
    EXPECT_EQ((*anton)[5].toString(), QStringLiteral("México D.F."));
    EXPECT_FALSE((*anton)[6].isValid());    // Region
    EXPECT_FALSE((*anton)[10].isValid());   // Fax
    EXPECT_TRUE((*anton)[9].isValid());

    // Numbers as numbers, dates as dates, yes/no as bool.
    const auto orders = rows(*db, QStringLiteral("Umsätze"));
    EXPECT_EQ(orders.size(), 830u);
    const QVariantList* order = rowWith(orders, 0, 10332);
    ASSERT_TRUE(order);
    EXPECT_EQ((*order)[3].toDateTime(), QDateTime(QDate(1994, 11, 17), QTime(0, 0)));
    EXPECT_DOUBLE_EQ((*order)[7].toDouble(), 52.84);
    EXPECT_EQ((*order)[8].toString(), QStringLiteral("Mère Paillarde"));
    EXPECT_EQ((*order)[11].toString(), QStringLiteral("Québec"));
    const auto products = rows(*db, QStringLiteral("Products"));
    ASSERT_EQ(products.size(), 77u);
    EXPECT_EQ(products[0][9].metaType().id(), QMetaType::Bool);
    EXPECT_EQ(std::count_if(products.begin(), products.end(), [](const QVariantList& r) { return r[9].toBool(); }),
              8);

    // Memo and OLE values over several long-value pages; reading stops when told.
    int seen = 0;
    db->readRows(QStringLiteral("Employees"), [&](const QVariantList& r) {
        EXPECT_EQ(r[1].toString(), QStringLiteral("Davolio"));
        EXPECT_TRUE(r[15].toString().endsWith(QStringLiteral("Nancy is a member of Toastmasters International.")));
        const QByteArray photo = r[14].toByteArray();
        EXPECT_EQ(photo.size(), 21626);
        EXPECT_TRUE(photo.startsWith(QByteArray::fromHex("151c2f00")));
        ++seen;
        return false;
    });
    EXPECT_EQ(seen, 1);

    EXPECT_EQ(fileBytes(path), before);
}

TEST_F(JetFileTest, EmptyTextStaysApartFromNull) {
    // The file holds no empty text: make one, and a Null beside it, in a copy.
    // A Shippers row is its field count, the id, the two texts, the end of the
    // texts, their offsets, their count and the null mask (a bit set: not Null).
    const QString path = copyOldDatabase(kJet3, dir.path());
    const QByteArray bytes = fileBytes(path);
    const QByteArray speedy = QByteArrayLiteral("Speedy Express(503) 555-9831\x21\x13\x05\x02\x07");
    const QByteArray united = QByteArrayLiteral("United Package(503) 555-3199\x21\x13\x05\x02\x07");
    ASSERT_EQ(bytes.count(speedy), 1);
    ASSERT_EQ(bytes.count(united), 1);
    // The texts end where the phone begins: an empty phone. No bit for the phone: Null.
    testsupport::xorIntoFile(path, bytes.indexOf(speedy) + 28, QByteArray(1, char(0x21 ^ 0x13)));
    testsupport::xorIntoFile(path, bytes.indexOf(united) + 32, QByteArray(1, char(0x07 ^ 0x03)));

    const auto db = ForeignDatabase::open(path);
    const auto all = rows(*db, QStringLiteral("Shippers"));
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0][1].toString(), QStringLiteral("Speedy Express"));
    EXPECT_TRUE(all[0][2].isValid());
    EXPECT_EQ(all[0][2].toString(), QString());
    EXPECT_EQ(all[1][1].toString(), QStringLiteral("United Package"));
    EXPECT_FALSE(all[1][2].isValid());
    EXPECT_EQ(all[2][2].toString(), QStringLiteral("(503) 555-9931"));

    auto scratch = Database::createInMemory();
    EXPECT_EQ(copyTable(*db, QStringLiteral("Shippers"), *scratch), 3);
    EXPECT_EQ(scratch->scalar(QStringLiteral("SELECT count(*) FROM Shippers WHERE Phone = ''")).toInt(), 1);
    EXPECT_EQ(scratch->scalar(QStringLiteral("SELECT count(*) FROM Shippers WHERE Phone IS NULL")).toInt(), 1);
}

TEST_F(JetFileTest, Jet4FileReadsDatesAndUcs2Texts) {
    const QString path = copyOldDatabase(kJet4, dir.path());
    const QByteArray before = fileBytes(path);
    const auto db = ForeignDatabase::open(path);
    EXPECT_EQ(db->kind(), ForeignDatabase::Kind::Jet4);
    EXPECT_EQ(db->tableNames(), QStringList{QStringLiteral("DateTest")});
    const auto fields = db->fields(QStringLiteral("DateTest"));
    ASSERT_EQ(fields.size(), 6u);
    EXPECT_EQ(fields[1].type, FieldType::Date);
    EXPECT_EQ(fields[4].typeName, QStringLiteral("Memo"));
    EXPECT_EQ(fields[5].size, 255);   // characters, not bytes

    const auto all = rows(*db, QStringLiteral("DateTest"));
    ASSERT_EQ(all.size(), 6u);
    auto day = [](int y, int m, int d) { return QDateTime(QDate(y, m, d), QTime(0, 0)); };
    struct Row { int id; QDateTime dateTime, date, time; QString memo, text; };
    const Row expected[] = {
        {1, day(2021, 12, 2), day(2021, 12, 2), day(2021, 12, 2), "Hello", "Hello"},
        {2, day(9999, 1, 1), day(9999, 1, 1), day(9999, 1, 1), "Year 9999", "Year 1999"},
        {3, day(1898, 1, 1), day(1899, 1, 1), day(1900, 1, 1), "Pre-1900 years", "Pre-1900 years"},
        {4, day(632, 1, 1), day(633, 1, 1), day(634, 1, 1), "Pre-1000 years", "Pre-1000 years"},
        {6, day(2021, 12, 2), day(2021, 12, 2), day(2021, 12, 2), "New line\r\nin field", "No new line"},
    };
    for (const Row& e : expected) {
        SCOPED_TRACE(e.id);
        const QVariantList& r = all[e.id - 1];
        EXPECT_EQ(r[0].toInt(), e.id);
        EXPECT_EQ(r[1].toDateTime(), e.dateTime);
        EXPECT_EQ(r[2].toDateTime(), e.date);
        EXPECT_EQ(r[3].toDateTime(), e.time);
        EXPECT_EQ(r[4].toString(), e.memo);
        EXPECT_EQ(r[5].toString(), e.text);
    }
    EXPECT_EQ(fileBytes(path), before);
}

TEST_F(JetFileTest, HeaderGivesCodePageAndPassword) {
    const JetHeader jet3 = readJetHeader(fileBytes(copyOldDatabase(kJet3, dir.path())).left(4096));
    EXPECT_EQ(jet3.version, 0);
    EXPECT_EQ(jet3.codePage, 1252);
    EXPECT_EQ(jet3.sortOrder, 1033);
    EXPECT_FALSE(jet3.hasPassword);
    const JetHeader jet4 = readJetHeader(fileBytes(copyOldDatabase(kJet4, dir.path())).left(4096));
    EXPECT_EQ(jet4.version, 1);
    EXPECT_FALSE(jet4.hasPassword);

    // A Jet 3 password lies under the fixed stream; Jet 4's, in UCS-2, under the
    // creation date's mask as well. A one-character password is enough.
    struct Case { QString file; QByteArray password; };
    const Case cases[] = {
        {kJet3, QByteArray("secret")},
        {kJet3, QByteArray("\x01", 1)},
        {kJet4, QByteArray("s\0e\0c\0r\0e\0t\0", 12)},
        {kJet4, QByteArray("\0\x4e", 2)},   // one character whose low byte is zero
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.password.toHex().toStdString());
        const QString path = copyOldDatabase(c.file, dir.path());
        testsupport::xorIntoFile(path, 0x42, c.password);
        EXPECT_TRUE(readJetHeader(fileBytes(path).left(4096)).hasPassword);
        EXPECT_EQ(openFails(path), DbError::WrongPassword);
    }

    // Where the header names no code page: its sort order's, else GBK.
    struct Page { int codePage, sortOrder, expected; };
    for (const Page& p : {Page{1252, 1033, 1252}, Page{936, 1033, 936}, Page{0, 0x0804, 936},
                          Page{0, 1033, 1252}, Page{0, 0, 936}, Page{4711, 0x0404, 950}}) {
        JetHeader h;
        h.codePage = p.codePage;
        h.sortOrder = p.sortOrder;
        EXPECT_EQ(jet3CodePage(h), p.expected) << p.codePage << " " << p.sortOrder;
    }
}

TEST_F(JetFileTest, Jet3TextsFollowTheHeadersCodePageAndRefuseBytesItLeavesUndefined) {
    // The Western file told it was written on a Chinese machine (1252 to 936).
    const QString path = copyOldDatabase(kJet3, dir.path());
    testsupport::xorIntoFile(path, 0x3c, QByteArray::fromHex("4c07"));   // e404 ^ a803
    const auto db = ForeignDatabase::open(path);
    // "ä" and the "t" after it are one GBK character.
    const QString umsaetze = QStringLiteral("Ums") + platform::fromGbk("\xe4t") + QStringLiteral("ze");
    EXPECT_TRUE(db->tableNames().contains(umsaetze));
    EXPECT_EQ(db->fields(umsaetze).size(), 14u);
    EXPECT_EQ(rows(*db, QStringLiteral("Shippers")).size(), 3u);
    // "Luleå" ends in half a GBK character: refused, naming where.
    try {
        rows(*db, QStringLiteral("Customers"));
        ADD_FAILURE() << "not refused";
    } catch (const DbError& e) {
        EXPECT_EQ(e.kind(), DbError::NotADatabase);
        EXPECT_TRUE(e.text().contains(QStringLiteral("Customers")) && e.text().contains(QStringLiteral("City")))
            << e.text().toStdString();
    }

    // A table name that is not GBK refuses the file rather than losing a character.
    const QByteArray bytes = fileBytes(path);
    const QByteArray name = QByteArrayLiteral("Ums\xe4tze");
    ASSERT_EQ(bytes.count(name), 1);
    testsupport::xorIntoFile(path, bytes.indexOf(name) + 4, QByteArray(1, char('t' ^ '-')));
    try {
        ForeignDatabase::open(path);
        ADD_FAILURE() << "not refused";
    } catch (const DbError& e) {
        EXPECT_EQ(e.kind(), DbError::NotADatabase);
        EXPECT_TRUE(e.text().contains(QStringLiteral("表名"))) << e.text().toStdString();
    }
}

TEST_F(JetFileTest, TextsDecodeStrictly) {
    struct Case { QByteArray bytes; int codePage; QString text; };
    const Case good[] = {
        {QByteArray::fromHex("b3c9bca8b1ed"), 936, QStringLiteral("成绩表")},
        {QByteArray::fromHex("81405a"), 936, QStringLiteral("丂Z")},   // GBK, outside GB2312
        {QByteArray::fromHex("e9e080"), 1252, QStringLiteral("éà€")},
        {QByteArray(), 936, QString()},
    };
    for (const Case& c : good)
        EXPECT_EQ(decodeJet3Text(c.bytes, c.codePage), c.text) << c.bytes.toHex().toStdString();
    const Case bad[] = {
        {QByteArray::fromHex("b3c9bc"), 936, {}},   // a lead byte cut off
        {QByteArray::fromHex("b320"), 936, {}},     // no trail byte
        {QByteArray::fromHex("41819d"), 1252, {}},  // bytes 1252 leaves undefined
        {QByteArray("abc"), 4711, {}},              // a code page nobody knows
    };
    for (const Case& c : bad)
        EXPECT_THROW(decodeJet3Text(c.bytes, c.codePage), platform::GbkError) << c.bytes.toHex().toStdString();

    EXPECT_EQ(decodeJet4Text(QByteArray::fromHex("2d4e8765")), QStringLiteral("中文"));
    // Compressed: single bytes, a zero switching to UCS-2 pairs and back.
    EXPECT_EQ(decodeJet4Text(QByteArray::fromHex("fffe4869002d4e0021")), QStringLiteral("Hi中!"));
    EXPECT_EQ(decodeJet4Text(QByteArray::fromHex("fffe")), QString());
    EXPECT_THROW(decodeJet4Text(QByteArray::fromHex("2d4e87")), platform::GbkError);
    EXPECT_THROW(decodeJet4Text(QByteArray::fromHex("fffe48002d")), platform::GbkError);
}

TEST_F(JetFileTest, FilesLibmdbCannotReadAreRefused) {
    const QByteArray jet3 = fileBytes(copyOldDatabase(kJet3, dir.path()));
    auto write = [&](const QString& name, const QByteArray& bytes) {
        const QString p = dir.filePath(name);
        QFile f(p);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return p;
    };
    QByteArray newer = jet3.left(8192);
    newer[0x14] = 2;
    EXPECT_EQ(openFails(write(QStringLiteral("short.mdb"), jet3.left(100))), DbError::NotADatabase);
    EXPECT_EQ(openFails(write(QStringLiteral("first-page.mdb"), jet3.left(2048))), DbError::NotADatabase);
    EXPECT_EQ(openFails(write(QStringLiteral("newer.mdb"), newer)), DbError::NotADatabase);
    EXPECT_EQ(openFails(dir.filePath(QStringLiteral("none.mdb"))), DbError::NotFound);
}

TEST_F(JetFileTest, CopyTableTakesTheRowsAsRead) {
    const auto db = ForeignDatabase::open(copyOldDatabase(kJet3, dir.path()));
    auto scratch = Database::createInMemory();
    EXPECT_EQ(copyTable(*db, QStringLiteral("Customers"), *scratch, QStringLiteral("客户")), 91);
    EXPECT_EQ(scratch->scalar(QStringLiteral("SELECT count(*) FROM 客户 WHERE Region IS NULL")).toInt(), 60);
    EXPECT_EQ(scratch->scalar(QStringLiteral("SELECT CompanyName FROM 客户 WHERE CustomerID = 'ANTON'")).toString(),
              QStringLiteral("Antonio Moreno Taquería"));
    // A photo has no text: Null in the copy, the other fields of its row kept.
    EXPECT_EQ(copyTable(*db, QStringLiteral("Employees"), *scratch), 9);
    EXPECT_EQ(scratch->scalar(QStringLiteral("SELECT count(*) FROM Employees WHERE Photo IS NULL AND LastName <> ''")).toInt(), 9);
}
