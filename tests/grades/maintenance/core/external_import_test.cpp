// Importing a table of another database file: the counters read at loading,
// the tables offered, the condition, the up-front check of every value, the
// name handling and the record check with its prompts.
#include "grades/maintenance/core/external_import.h"

#include "platform/db/database.h"
#include "platform/db/foreign_database.h"
#include "platform/text/message_titles.h"
#include "support/school_fixture.h"
#include "support/test_files.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <deque>
#include <gtest/gtest.h>

using namespace maintenance;
using platform::db::Database;
using platform::db::FieldType;

namespace {

using testsupport::fileHash;

// Answers the run's questions from a script and records what was asked.
struct ScriptedQuestions : ImportQuestions {
    std::deque<bool> overwrite;
    std::deque<QString> typed;
    std::deque<bool> stop;
    QStringList asked;   // "overwrite:<name>", "input:<title>|<default>", "stop"
    bool overwriteSameName(const QString& name) override {
        asked << QStringLiteral("overwrite:") + name;
        EXPECT_FALSE(overwrite.empty());
        if (overwrite.empty())
            return false;
        const bool a = overwrite.front();
        overwrite.pop_front();
        return a;
    }
    QString input(const QString& prompt, const QString& title, const QString& defaultText) override {
        asked << QStringLiteral("input:") + title + u'|' + defaultText;
        lastPrompt = prompt;
        EXPECT_FALSE(typed.empty()) << prompt.toStdString();
        if (typed.empty())
            return {};
        const QString a = typed.front();
        typed.pop_front();
        return a;
    }
    bool stopAfterCancel() override {
        asked << QStringLiteral("stop");
        EXPECT_FALSE(stop.empty());
        if (stop.empty())
            return true;
        const bool a = stop.front();
        stop.pop_front();
        return a;
    }
    QString lastPrompt;
};

struct ExternalImport : ::testing::Test {
    SchoolFixture school{{"语文", "数学"}, {"2004", "2005"}, {"2004级01班", "2004级02班", "2005级01班"}};
    Database& target = *school.db();
    QTemporaryDir dir;
    QString sourcePath = dir.filePath(QStringLiteral("source.mdb"));

    ExternalImport() {
        student("20040057", "2004", "01", "张三", "12");
        student("20040003", "2004", "02", "李四", "99");
        student("20050001", "2005", "01", "王五", "01");
    }
    void student(const QVariant& id, const QVariant& g, const QVariant& c, const QVariant& name, const QVariant& no) {
        target.insertRow("成绩表", {"STID", "年级", "班", "姓名", "学号", "语文"}, {id, g, c, name, no, 60});
    }
    // A source file of this system with a student list (Latin field names) and a Latin table.
    void makeSource(const std::vector<QVariantList>& rows) {
        auto db = Database::create(sourcePath);
        platform::db::TableDef list{QStringLiteral("学生名单"), {}};
        for (const char* f : {"xm", "nj", "bj", "stid", "xh"})
            list.fields.push_back({QString::fromLatin1(f), FieldType::Text, 10, false, true});
        list.fields.push_back({QStringLiteral("yw"), FieldType::Single});
        db->createTable(list);
        db->createTable({QStringLiteral("Other"), {{QStringLiteral("a"), FieldType::Text, 5}}});
        for (const QVariantList& r : rows)
            db->insertRow(list.name, {"xm", "nj", "bj", "stid", "xh", "yw"}, r);
    }
    SourceRows rows(const QString& condition = {}) {
        auto source = platform::db::ForeignDatabase::open(sourcePath);
        return readSourceRows(*source, QStringLiteral("学生名单"), condition);
    }
    // 姓名 <- xm, 年级 <- nj, 班 <- bj, 语文 <- yw, and optionally STID, 学号.
    ExternalImportPlan plan(bool check = true, bool ask = false, bool ids = false) {
        ExternalImportPlan p;
        p.targetTable = QStringLiteral("成绩表");
        for (const auto& f : target.tableDef(p.targetTable).fields) {
            const QString n = f.name;
            p.pairedSourceFields << (n == "姓名" ? "xm" : n == "年级" ? "nj" : n == "班" ? "bj" : n == "语文" ? "yw"
                                     : ids && n == "STID" ? "stid" : ids && n == "学号" ? "xh" : "");
        }
        p.check = check;
        p.askOnSameName = ask;
        return p;
    }
    ImportResult run(const SourceRows& r, const ExternalImportPlan& p) {
        return runExternalImport(target, r, p, counters, current, questions);
    }
    QVariantList of(const QString& name, const QString& fields = "STID, 年级, 班, 学号, 语文") {
        const auto found = target.query(QStringLiteral("SELECT %1 FROM 成绩表 WHERE 姓名 = ? ORDER BY rowid").arg(fields), {name});
        return found.empty() ? QVariantList{} : found.back();
    }
    int students() { return target.scalar("SELECT COUNT(*) FROM 成绩表").toInt(); }

    ImportCounters counters = ImportCounters::load(target);
    CheckState current;
    ScriptedQuestions questions;
};

TEST_F(ExternalImport, CountersAtLoadingTakeTheLargestIdsAndIgnoreRowsWithoutAClass) {
    student("20040123", "2004", "01", "赵一", "07");
    student("2004abcd", "2004", "02", "赵二", QVariant());
    student(QVariant(), "2005", "01", "赵三", QVariant());
    student("20059999", QVariant(), "01", "无年级", "50");
    student("20069999", "2006", "01", "无年二", "88");
    const ImportCounters c = ImportCounters::load(target);
    ASSERT_EQ(c.grades.size(), 2u);
    EXPECT_EQ(c.grades[0].count, 123);
    EXPECT_EQ(c.grades[1].count, 1);
    ASSERT_EQ(c.classes.size(), 3u);
    EXPECT_EQ(c.classes[0].count, 12);
    EXPECT_EQ(c.classes[1].count, 99);
    EXPECT_EQ(c.classes[2].count, 1);
    EXPECT_EQ(c.gradeListText(), QStringLiteral("2004  2005  "));
    EXPECT_EQ(c.classListText(), QStringLiteral("200401  200402  200501  "));

    for (auto [text, n] : std::vector<std::pair<QString, qint64>>{
             {"0123", 123}, {"07", 7}, {"7a", 7}, {"", 0}, {"abc", 0}, {"12.7", 12}, {"-3", 0}})
        EXPECT_EQ(leadingCount(text), n) << text.toStdString();
    EXPECT_EQ(serialOfStudentId("200401x3"), 1);
    EXPECT_EQ(serialOfStudentId("57"), 57);
}

TEST_F(ExternalImport, OnlyTablesNamedInChineseAreOffered) {
    for (auto [name, listed] : std::vector<std::pair<QString, bool>>{
             {"学生名单", true}, {"成绩表", true}, {"Employees", false}, {"Umsätze", false}, {"2004成绩", false},
             {"", false}})
        EXPECT_EQ(isListedSourceTable(name), listed) << name.toStdString();
    makeSource({});
    auto source = platform::db::ForeignDatabase::open(sourcePath);
    EXPECT_EQ(listedSourceTables(*source), QStringList{"学生名单"});
}

TEST_F(ExternalImport, TheCheckGivesIdsAfterTheLargestAndLeavesACompleteRowAlone) {
    makeSource({{"甲", "2004", "01", QVariant(), QVariant(), 81},
                {"乙", "2004", "02", "2004001", "", 82},        // an id of 7 characters is replaced
                {"丙", "2004", "01", "20048888", "05", 83},     // complete: nothing asked, nothing changed
                {"丁", "2005", "01", QVariant(), QVariant(), 84}});
    const ImportResult r = run(rows(), plan(true, false, true));
    EXPECT_EQ(r.kind, ImportResult::Kind::Done);
    EXPECT_EQ(r.stored, 4);
    EXPECT_TRUE(questions.asked.isEmpty());
    EXPECT_EQ(of("甲"), (QVariantList{"20040058", "2004", "01", "13", 81.0f}));
    EXPECT_EQ(of("乙"), (QVariantList{"20040059", "2004", "02", "100", 82.0f}));
    EXPECT_EQ(of("丙"), (QVariantList{"20048888", "2004", "01", "05", 83.0f}));
    EXPECT_EQ(of("丁"), (QVariantList{"20050002", "2005", "01", "02", 84.0f}));
    EXPECT_EQ(counters.grades[0].count, 59);
    EXPECT_EQ(counters.classes[0].count, 13);
}

TEST_F(ExternalImport, IdsFollowStudentsAddedSinceLoadingAndSkipIdsTheTableHolds) {
    makeSource({{"甲", "2004", "01", QVariant(), QVariant(), 81}, {"乙", "2004", "01", QVariant(), QVariant(), 82}});
    student("20040070", "2004", "01", "后来", "20");          // after the window loaded
    student("20040071", "2005", "01", "错年级", "21");        // an id of 2004 under another grade level
    ASSERT_EQ(run(rows(), plan()).kind, ImportResult::Kind::Done);
    EXPECT_EQ(of("甲", "STID, 学号"), (QVariantList{"20040072", "21"}));
    EXPECT_EQ(of("乙", "STID, 学号"), (QVariantList{"20040073", "22"}));
}

TEST_F(ExternalImport, ARunPastSerial9999IsRefusedBeforeWriting) {
    student("20049998", "2004", "01", "满", "30");
    makeSource({{"甲", "2004", "01", QVariant(), QVariant(), 1}, {"乙", "2004", "01", QVariant(), QVariant(), 2}});
    const ImportResult r = run(rows(), plan());
    EXPECT_EQ(r.kind, ImportResult::Kind::Refused);
    EXPECT_TRUE(r.refusal.text.contains("9999")) << r.refusal.text.toStdString();
    EXPECT_EQ(students(), 4);
}

TEST_F(ExternalImport, AValueThatDoesNotFitRefusesTheWholeRunAndWritesNothing) {
    makeSource({{"甲", "2004", "01", QVariant(), QVariant(), 1}, {"乙", "2004", "01", QVariant(), QVariant(), 2},
                {"四个字的", "2004", "01", QVariant(), QVariant(), 3}});
    const QByteArray before = fileHash(school.databasePath());
    const ImportResult r = run(rows(), plan());
    EXPECT_EQ(r.kind, ImportResult::Kind::Refused);
    EXPECT_EQ(r.refusal.title, platform::kPlainErrorTitle);
    EXPECT_TRUE(r.refusal.text.startsWith(kImportErrorText));
    EXPECT_TRUE(r.refusal.text.contains(QStringLiteral("第3条源记录"))) << r.refusal.text.toStdString();
    EXPECT_TRUE(r.refusal.text.contains(QStringLiteral("姓名 <--- xm")));
    EXPECT_EQ(students(), 3);
    EXPECT_EQ(counters.grades[0].count, 57);
    EXPECT_EQ(fileHash(school.databasePath()), before);
}

TEST_F(ExternalImport, NullAndEmptyNamesArePassedOverAndAnApostropheImports) {
    makeSource({{QVariant(), "2004", "01", QVariant(), QVariant(), 1},
                {"", "2004", "01", QVariant(), QVariant(), 3},
                {"O'L", "2004", "01", QVariant(), QVariant(), 2}});
    ExternalImportPlan p = plan(true, true);
    ASSERT_EQ(run(rows(), p).kind, ImportResult::Kind::Done);
    EXPECT_EQ(students(), 4);
    EXPECT_EQ(of("O'L", "STID, 语文"), (QVariantList{"20040058", 2.0f}));
}

TEST_F(ExternalImport, SameNamesAskAndOverwriteOrAddWhileAppendAllAlwaysAdds) {
    makeSource({{"张三", "2004", "01", QVariant(), QVariant(), 91},
                {"张三", "2004", "01", QVariant(), QVariant(), 92},
                {"新人", "2004", "02", QVariant(), QVariant(), 93},
                {"新人", "2004", "02", QVariant(), QVariant(), 94}});
    student("20050002", "2005", "01", "张三", "02");
    // Yes overwrites the first 张三 (its id and number kept); No adds another;
    // 新人 is added without a question, and then found as a row of this run.
    questions.overwrite = {true, false, false};
    ASSERT_EQ(run(rows(), plan(true, true)).kind, ImportResult::Kind::Done);
    EXPECT_EQ(questions.asked, (QStringList{"overwrite:张三", "overwrite:张三", "overwrite:新人"}));
    const auto zhang = target.query("SELECT STID, 学号, 语文 FROM 成绩表 WHERE 姓名 = '张三' ORDER BY rowid");
    ASSERT_EQ(zhang.size(), 3u);
    EXPECT_EQ(zhang[0], (QVariantList{"20040057", "12", 91.0f}));
    EXPECT_EQ(zhang[1], (QVariantList{"20050002", "02", 60.0f}));
    EXPECT_EQ(zhang[2], (QVariantList{"20040058", "13", 92.0f}));
    EXPECT_EQ(students(), 7);

    questions.asked.clear();
    ASSERT_EQ(run(rows(), plan(true, false)).kind, ImportResult::Kind::Done);
    EXPECT_TRUE(questions.asked.isEmpty());
    EXPECT_EQ(students(), 11);
}

TEST_F(ExternalImport, AConditionSelectsRowsAndOnlyOneReadingQueryIsAccepted) {
    makeSource({{"甲", "2004", "01", QVariant(), QVariant(), 50}, {"乙", "2005", "01", QVariant(), QVariant(), 70},
                {"丙", "2005", "01", QVariant(), QVariant(), 40}});
    EXPECT_EQ(rows("nj = '2005' and yw >= 60").rows.size(), 1u);
    EXPECT_EQ(rows("xm like '乙*' or xm = '甲'").rows.size(), 2u);   // the old dialect's Like
    EXPECT_EQ(rows("   ").rows.size(), 3u);
    const QByteArray before = fileHash(sourcePath);
    for (const QString& bad : {QStringLiteral("1=1; delete from 学生名单"), QStringLiteral("1=1; select 1"),
                               QStringLiteral("nosuchfield = 1"), QStringLiteral("1=1 insert into x values(1)")}) {
        try {
            rows(bad);
            ADD_FAILURE() << "accepted: " << bad.toStdString();
        } catch (const ImportRefusal& r) {
            EXPECT_EQ(r.title, platform::kPlainErrorTitle);
        }
    }
    EXPECT_EQ(fileHash(sourcePath), before);
}

TEST_F(ExternalImport, AConditionThatWouldTakeTheMachineEndsWithTheWorkMessage) {
    makeSource({{"甲", "2004", "01", QVariant(), QVariant(), 50}});
    for (const QString& greedy : {QStringLiteral("length(randomblob(1000000000)) > 0"),
                                  QStringLiteral("length(printf('%.*c', 2000000000, 'x')) > 0"),
                                  QStringLiteral("(with recursive c(x) as (select 1 union all select x + 1 from c)"
                                                 " select count(*) from c) > 0")}) {
        try {
            rows(greedy);
            ADD_FAILURE() << "accepted: " << greedy.toStdString();
        } catch (const ImportRefusal& r) {
            EXPECT_EQ(r.title, platform::kPlainErrorTitle);
            EXPECT_TRUE(r.text.contains(QStringLiteral("工作量太大"))) << r.text.toStdString();
        }
    }
}

TEST_F(ExternalImport, ACancelledPromptComesBackAfterNoAndEndsTheRunAfterYes) {
    makeSource({{"甲", "2009", "09", QVariant(), QVariant(), 1},
                {"乙", "2004", "07", QVariant(), QVariant(), 2},
                {"丙", "2004", "01", QVariant(), QVariant(), 3}});
    // 甲: cancel, No, then a grade level and a class; 乙: the class prompt cancelled, Yes.
    questions.typed = {"", "2004", "02", ""};
    questions.stop = {false, true};
    const ImportResult r = run(rows(), plan());
    EXPECT_EQ(r.kind, ImportResult::Kind::Stopped);
    EXPECT_EQ(r.stored, 1);
    EXPECT_EQ(questions.asked, (QStringList{"input:请输入甲 所在的年级|2004", "stop", "input:请输入甲 所在的年级|2004",
                                            "input:请输入一个2004级甲所在的班|01", "input:请输入一个2004级乙所在的班|01",
                                            "stop"}));
    EXPECT_EQ(questions.lastPrompt, QStringLiteral("请有以下班级(200401  200402  200501  )中选择一个 2004级中的班:现在的班07无效"));
    EXPECT_EQ(of("甲", "STID, 年级, 班, 学号"), (QVariantList{"20040058", "2004", "02", "100"}));
    EXPECT_TRUE(of("乙").isEmpty());
    EXPECT_TRUE(of("丙").isEmpty());
    EXPECT_EQ(current.CurrentGrade, QStringLiteral("2004"));
}

TEST_F(ExternalImport, TheCheckIsForStudentsOfASchoolWithClasses) {
    ExternalImportPlan teachers;
    teachers.targetTable = QStringLiteral("教师表");
    for (const auto& f : target.tableDef(teachers.targetTable).fields)
        teachers.pairedSourceFields << (f.name == "姓名" ? "xm" : "");
    teachers.check = true;
    EXPECT_FALSE(checkPlan(target, teachers, counters).title.isEmpty());

    teachers.check = false;
    EXPECT_TRUE(checkPlan(target, teachers, counters).title.isEmpty());
    makeSource({{"李老师", "2004", "01", QVariant(), QVariant(), 1}});
    ASSERT_EQ(run(rows(), teachers).kind, ImportResult::Kind::Done);
    EXPECT_EQ(target.scalar("SELECT COUNT(*) FROM 教师表 WHERE 姓名 = '李老师'").toInt(), 1);

    ExternalImportPlan unnamed = plan();
    unnamed.pairedSourceFields[3].clear();
    EXPECT_EQ(checkPlan(target, unnamed, counters).text, QStringLiteral("必须将姓名输入。"));

    EXPECT_FALSE(checkPlan(target, plan(), ImportCounters{}).title.isEmpty());
    EXPECT_TRUE(checkPlan(target, plan(), counters).title.isEmpty());
}

} // namespace
