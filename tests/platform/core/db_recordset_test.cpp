#include "support/db_fixture.h"

#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"
#include "support/test_files.h"

using namespace platform::db;
using testsupport::DbFixture;

namespace {

using testsupport::s;

class RecordsetTest : public testsupport::DbFixture, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        DbFixture::SetUp();
        addStudents({{s("20040001"), s("2004"), s("01"), s("张三"), s("03"), 250},
                     {s("20040002"), s("2004"), s("01"), s("安娜"), s("01"), 280},
                     {s("20040003"), s("2004"), s("01"), s("北辰"), s("02"), 250},
                     {s("20040004"), s("2004"), s("02"), s("张'三"), s("01"), 199.5},
                     {s("20050001"), s("2005"), s("01"), s("Li"), s("01"), QVariant()}});
    }
    // The same rows through a table name or a query.
    std::unique_ptr<Recordset> open() { return std::make_unique<Recordset>(db_, s(GetParam())); }
    QVariant stored(const QString& stid, const char* field) {
        return db_->scalar(s("SELECT \"%1\" FROM 成绩表 WHERE STID=?").arg(s(field)), {stid});
    }
};

INSTANTIATE_TEST_SUITE_P(TableAndSelect, RecordsetTest,
                         ::testing::Values("成绩表", "select * from 成绩表",
                                           "SELECT STID,年级,班,姓名,学号,总分 FROM 成绩表 WHERE 年级 <> 'x'"));

TEST_P(RecordsetTest, MovesPositionsAndEnds) {
    auto rs = open();
    EXPECT_TRUE(rs->isUpdatable());
    EXPECT_EQ(rs->recordCount(), 5);
    EXPECT_EQ(rs->absolutePosition(), 1);
    EXPECT_EQ(rs->value(s("STID")).toString(), s("20040001"));
    rs->moveLast();
    EXPECT_EQ(rs->absolutePosition(), 5);
    rs->moveNext();
    EXPECT_TRUE(rs->eof());
    EXPECT_EQ(rs->absolutePosition(), 0);
    EXPECT_THROW(rs->moveNext(), DbError);
    EXPECT_THROW(rs->value(0), DbError);
    rs->setAbsolutePosition(3);
    EXPECT_EQ(rs->value(s("姓名")).toString(), s("北辰"));
    rs->movePrevious();
    rs->movePrevious();
    rs->movePrevious();
    EXPECT_TRUE(rs->bof());
    EXPECT_THROW(rs->setAbsolutePosition(6), DbError);
    EXPECT_THROW(rs->setAbsolutePosition(0), DbError);
}

TEST_P(RecordsetTest, EditIsStoredWhenTheCursorLeavesTheRow) {
    auto rs = open();
    rs->setValue(s("姓名"), s("王五"));
    EXPECT_TRUE(rs->isDirty());
    EXPECT_EQ(rs->value(s("姓名")).toString(), s("王五"));
    EXPECT_EQ(stored(s("20040001"), "姓名").toString(), s("张三"));
    rs->moveNext();
    EXPECT_EQ(stored(s("20040001"), "姓名").toString(), s("王五"));

    rs->setValue(s("总分"), s("77.7"));
    rs->setAbsolutePosition(4);          // any move stores
    EXPECT_EQ(stored(s("20040002"), "总分").toFloat(), 77.7f);

    rs->setValue(s("学号"), s("09"));
    rs->cancelUpdate();
    rs->moveFirst();
    EXPECT_EQ(stored(s("20040004"), "学号").toString(), s("01"));

    // A refused value never reaches the row; the cursor stays.
    EXPECT_THROW(rs->setValue(s("姓名"), s("四个字的")), DbError);
    rs->setValue(s("姓名"), s("赵"));
    rs->requery();
    EXPECT_EQ(stored(s("20040001"), "姓名").toString(), s("赵"));
}

TEST_P(RecordsetTest, FindByCriteriaAndByValue) {
    auto rs = open();
    EXPECT_TRUE(rs->find(s("姓名='北辰'"), 0, true, true));
    EXPECT_EQ(rs->absolutePosition(), 3);
    EXPECT_TRUE(rs->find(s("STID = '20040002'"), 0, true, true));
    EXPECT_EQ(rs->absolutePosition(), 2);
    EXPECT_TRUE(rs->find(s("年级='2004'  And 班='02'"), 0, true, true));
    EXPECT_EQ(rs->value(s("姓名")).toString(), s("张'三"));
    EXPECT_TRUE(rs->find(s("姓名='li'"), 0, true, true));     // letter case does not count
    EXPECT_EQ(rs->absolutePosition(), 5);

    // From the current row, skipping it, and not found.
    rs->moveFirst();
    EXPECT_TRUE(rs->find(s("总分=250"), 1));
    EXPECT_EQ(rs->absolutePosition(), 3);
    EXPECT_FALSE(rs->find(s("总分=250"), 1));
    EXPECT_TRUE(rs->eof());
    EXPECT_TRUE(rs->find(s("总分 >= 280"), 0, true, true));
    EXPECT_EQ(rs->absolutePosition(), 2);

    // A quote inside a value, quoted or handed over as a value.
    EXPECT_TRUE(rs->find(s("姓名=") + quoteText(s("张'三")), 0, true, true));
    EXPECT_EQ(rs->value(s("STID")).toString(), s("20040004"));
    rs->moveFirst();
    EXPECT_TRUE(rs->findValue(s("姓名"), s("张'三"), 0, true));
    EXPECT_EQ(rs->value(s("STID")).toString(), s("20040004"));
    EXPECT_FALSE(rs->findValue(s("姓名"), s("O'Brien"), 0, true));

    EXPECT_THROW(rs->find(s("姓名='张三"), 0, true, true), DbError);
    EXPECT_THROW(rs->find(s("无此字段='1'"), 0, true, true), DbError);
}

TEST_P(RecordsetTest, SortIsStableAndFollowsTheTextOrder) {
    auto rs = open();
    rs->setSort(s("总分 desc"));
    QStringList ids;
    for (rs->moveFirst(); !rs->eof(); rs->moveNext())
        ids << rs->value(s("STID")).toString();
    // Equal totals keep stored order; Null sorts first, so last when descending.
    EXPECT_EQ(ids, (QStringList{s("20040002"), s("20040001"), s("20040003"), s("20040004"), s("20050001")}));
    rs->setSort(s("姓名"));
    EXPECT_EQ(rs->value(s("姓名")).toString(), s("Li"));
    rs->moveNext();
    EXPECT_EQ(rs->value(s("姓名")).toString(), s("安娜"));
    rs->setSort(s("班,学号"));
    EXPECT_EQ(rs->value(s("STID")).toString(), s("20040002"));
    rs->setSort(QString());
    EXPECT_EQ(rs->value(s("STID")).toString(), s("20040001"));
    rs->setFilter(s("年级='2004' And 总分<260"));
    EXPECT_EQ(rs->recordCount(), 3);
}

TEST_P(RecordsetTest, AddNewInBothFormsAndTheSetSeesItsRows) {
    auto rs = open();
    rs->addNew({s("STID"), s("姓名"), s("年级"), s("班")}, {s("20040005"), s("李四"), s("2004"), s("01")});
    EXPECT_EQ(rs->recordCount(), 6);
    EXPECT_EQ(rs->absolutePosition(), 6);
    EXPECT_EQ(stored(s("20040005"), "姓名").toString(), s("李四"));
    rs->setValue(s("学号"), s("04"));       // then an assignment to the new row, stored by update
    rs->update();
    EXPECT_EQ(stored(s("20040005"), "学号").toString(), s("04"));

    rs->addNew();
    rs->setValue(s("STID"), s("20040006"));
    rs->setValue(s("姓名"), s("周"));
    EXPECT_EQ(db_->scalar(s("SELECT count(*) FROM 成绩表")).toInt(), 6);
    rs->moveFirst();                           // leaving the new row stores it
    EXPECT_EQ(db_->scalar(s("SELECT count(*) FROM 成绩表")).toInt(), 7);
    EXPECT_EQ(rs->recordCount(), 7);

    EXPECT_THROW(rs->addNew({s("STID"), s("姓名")}, {s("20040007"), s("名字太长了")}), DbError);
    EXPECT_EQ(db_->scalar(s("SELECT count(*) FROM 成绩表")).toInt(), 7);
    EXPECT_EQ(rs->recordCount(), 7);
    EXPECT_FALSE(rs->isDirty());
}

// A loop adds by one list of names; a set that is given another list, or the
// first again as a copy, still puts each value into its own field.
TEST_P(RecordsetTest, AddNewByListsPutsEachValueInItsField) {
    auto rs = open();
    const QStringList idAndName{s("STID"), s("姓名")};
    rs->addNew(idAndName, {s("20040011"), s("甲")});
    rs->addNew({s("姓名"), s("STID")}, {s("乙"), s("20040012")});
    rs->addNew(QStringList{s("STID"), s("姓名")}, {s("20040013"), s("丙")});
    rs->addNew(idAndName, {s("20040014"), s("丁")});
    EXPECT_THROW(rs->addNew({s("STID"), s("没有")}, {s("20040015"), s("戊")}), DbError);
    rs->requery();
    rs->addNew(idAndName, {s("20040016"), s("己")});
    const std::pair<const char*, const char*> rows[] = {{"20040011", "甲"}, {"20040012", "乙"}, {"20040013", "丙"},
                                                        {"20040014", "丁"}, {"20040016", "己"}};
    for (const auto& [stid, name] : rows)
        EXPECT_EQ(stored(s(stid), "姓名").toString(), s(name)) << stid;
    EXPECT_EQ(db_->scalar(s("SELECT count(*) FROM 成绩表")).toInt(), 10);
}

// A text holding a zero character is stored whole, not cut at it.
TEST_P(RecordsetTest, TextWithAZeroCharacterIsStoredWhole) {
    const QString name = s("甲") + QChar(0) + s("乙");
    auto rs = open();
    rs->addNew({s("STID"), s("姓名")}, {s("20040011"), name});
    rs->moveFirst();
    rs->storeValue(s("姓名"), name);
    for (const char* stid : {"20040011", "20040001"})
        EXPECT_EQ(db_->scalar(s("SELECT hex(姓名) FROM 成绩表 WHERE STID=?"), {s(stid)}).toString(),
                  s("E794B200E4B999")) << stid;
}

TEST_P(RecordsetTest, DeleteWhileWalking) {
    auto rs = open();
    rs->moveFirst();
    while (!rs->eof()) {
        if (rs->value(s("总分")).isNull() || rs->value(s("总分")).toDouble() < 260)
            rs->deleteCurrent();
        rs->moveNext();
    }
    EXPECT_EQ(rs->recordCount(), 1);
    EXPECT_EQ(db_->scalar(s("SELECT count(*) FROM 成绩表")).toInt(), 1);
    rs->moveFirst();
    EXPECT_EQ(rs->value(s("STID")).toString(), s("20040002"));
}

TEST_P(RecordsetTest, MoveEventsAlsoForMovesByCode) {
    auto rs = open();
    QStringList seen;
    QObject::connect(rs.get(), &Recordset::willMove, [&] {
        seen << s("leave ") + (rs->eof() || rs->bof() ? s("-") : rs->value(s("STID")).toString());
    });
    QObject::connect(rs.get(), &Recordset::moveComplete, [&] {
        seen << s("at ") + (rs->eof() || rs->bof() ? s("-") : rs->value(s("STID")).toString());
    });
    rs->moveNext();
    rs->setAbsolutePosition(4);
    rs->find(s("STID='20050001'"), 0, true, true);
    rs->find(s("STID='none'"), 0, true, true);
    EXPECT_EQ(seen, (QStringList{s("leave 20040001"), s("at 20040002"), s("leave 20040002"), s("at 20040004"),
                                 s("leave 20040004"), s("at 20050001"), s("leave 20050001"), s("at -")}));
}

TEST_P(RecordsetTest, EveryKindOfMoveNotifiesOnceEach) {
    auto rs = open();
    int leaving = 0, arrived = 0;
    QObject::connect(rs.get(), &Recordset::willMove, [&] { ++leaving; });
    QObject::connect(rs.get(), &Recordset::moveComplete, [&] { ++arrived; });
    const std::pair<const char*, std::function<void()>> moves[] = {
        {"moveLast", [&] { rs->moveLast(); }},
        {"movePrevious", [&] { rs->movePrevious(); }},
        {"moveFirst", [&] { rs->moveFirst(); }},
        {"moveNext", [&] { rs->moveNext(); }},
        {"absolute position", [&] { rs->setAbsolutePosition(4); }},
        {"find", [&] { rs->find(s("姓名='北辰'"), 0, true, true); }},
        {"find by value", [&] { rs->findValue(s("姓名"), s("安娜"), 0, true); }},
        {"sort", [&] { rs->setSort(s("姓名")); }},
        {"filter", [&] { rs->setFilter(s("班='01'")); }},
        {"requery", [&] { rs->requery(); }},
        {"add new", [&] { rs->addNew(); }},
        {"cancel the new row", [&] { rs->cancelUpdate(); }},
        {"add new then update with nothing set", [&] { rs->addNew(); leaving = arrived = 0; rs->update(); }},
        {"add with lists", [&] { rs->addNew({s("STID")}, {s("20059999")}); }},
    };
    for (const auto& [what, move] : moves) {
        SCOPED_TRACE(what);
        leaving = arrived = 0;
        move();
        EXPECT_EQ(leaving, 1);
        EXPECT_EQ(arrived, 1);
    }
    EXPECT_EQ(rs->value(s("STID")).toString(), s("20059999"));
}

TEST_F(DbFixture, AFieldListedTwiceShowsAnEditInBothPlaces) {
    addStudents({{s("20040001"), s("2004"), s("01"), s("张三"), s("01"), 250}});
    Recordset rs(db_, s("select 姓名, * from 成绩表"));
    rs.setValue(0, s("李四"));
    EXPECT_EQ(rs.value(4).toString(), s("李四"));
    rs.update();
    EXPECT_EQ(rs.valueAt(0, 4).toString(), s("李四"));
}

// Cells are typed when first used, not when read: every kind of field and of
// computed value comes out as it was stored, in any order of use, and an edit
// of a row whose other cells were never used writes and keeps them whole.
TEST_F(DbFixture, CellsTypedAtFirstUseComeOutAsStored) {
    db_->createTable({s("各种"), {{s("文本"), FieldType::Text, 10}, {s("备注"), FieldType::Memo},
                                  {s("单"), FieldType::Single}, {s("双"), FieldType::Double},
                                  {s("整"), FieldType::Integer}, {s("长"), FieldType::Long},
                                  {s("是否"), FieldType::Boolean}, {s("日期"), FieldType::Date}}});
    const QStringList fields{s("文本"), s("备注"), s("单"), s("双"), s("整"), s("长"), s("是否"), s("日期")};
    db_->insertRow(s("各种"), fields,
                   {s("甲"), s("长长的备注"), 85.3, 1.0 / 3, 7, 2000000000, true, QDate(2004, 9, 1)});
    db_->insertRow(s("各种"), fields, {QVariant(), QVariant(), 90, QVariant(), -3, 0, false, QVariant()});

    struct Case {
        int row, field;
        QVariant expected;
        QMetaType::Type type;
    };
    const Case table[] = {
        {0, 7, QDate(2004, 9, 1), QMetaType::QDate},   {0, 0, s("甲"), QMetaType::QString},
        {0, 2, 85.3f, QMetaType::Float},               {0, 3, 1.0 / 3, QMetaType::Double},
        {0, 1, s("长长的备注"), QMetaType::QString},   {0, 4, 7, QMetaType::Int},
        {0, 5, 2000000000, QMetaType::Int},            {0, 6, true, QMetaType::Bool},
        {1, 2, 90.0f, QMetaType::Float},               {1, 4, -3, QMetaType::Int},
        {1, 6, false, QMetaType::Bool},                {1, 0, QVariant(), QMetaType::UnknownType},
        {1, 3, QVariant(), QMetaType::UnknownType},    {1, 7, QVariant(), QMetaType::UnknownType},
    };
    for (const char* source : {"各种", "select * from 各种"}) {
        Recordset rs(db_, s(source));
        for (const Case& c : table) {
            SCOPED_TRACE(testing::Message() << source << " row " << c.row << " field " << c.field);
            const QVariant v = rs.valueAt(c.row, c.field);
            EXPECT_EQ(v.typeId(), int(c.type));
            EXPECT_EQ(v, c.expected);
        }
    }

    // Computed columns take their type from their values.
    Recordset q(db_, s("select 1+1 as a, 3000000000*2 as b, 0.5 as c, 'x' || 文本 as d, x'00ff' as e, "
                       "null as f from 各种 where 文本 is not null"));
    const QVariant computed[] = {2, qlonglong(6000000000), 0.5, s("x甲"), QByteArray("\x00\xff", 2), QVariant()};
    for (int f = 5; f >= 0; --f) {
        SCOPED_TRACE(f);
        EXPECT_EQ(q.value(f), computed[f]);
        EXPECT_EQ(q.value(f).typeId(), computed[f].typeId());
    }
    EXPECT_EQ(q.fieldType(0), FieldType::Double);
    EXPECT_EQ(q.fieldType(3), FieldType::Text);

    // An edit before any other cell of the row was used; a Find through the index after it.
    Recordset rs(db_, s("各种"));
    rs.setValue(s("整"), 8);
    rs.update();
    EXPECT_EQ(db_->scalar(s("select count(*) from 各种 where 文本='甲' and 备注='长长的备注' and 整=8 "
                            "and 长=2000000000 and 是否<>0")).toInt(), 1);
    EXPECT_EQ(rs.value(s("单")).toFloat(), 85.3f);
    EXPECT_TRUE(rs.findValue(s("整"), -3, 0, true));
    EXPECT_EQ(rs.value(s("单")).toFloat(), 90.0f);
    EXPECT_TRUE(rs.findValue(s("整"), 8, 0, true));
    rs.setSort(s("单 desc"));
    EXPECT_EQ(rs.value(s("整")).toInt(), -3);
}

} // namespace
