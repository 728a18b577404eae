// The text import without a window: the splitting rule and the separators,
// the page-1 checks, pairing by name, reading a file as GBK, and the run's
// lookup and writes on a small school with the log compared byte for byte.
#include "grades/maintenance/core/text_import.h"

#include "common/schema.h"
#include "platform/text/gbk.h"
#include "support/failing_file.h"
#include "support/school_fixture.h"
#include "support/test_files.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace maintenance;

namespace {

struct SplitCase {
    const char* line;
    const char* box;
    QStringList fields;   // without the trailing empty element
};

TEST(TextImportSplit, FieldsBySeparatorTable) {
    const SplitCase cases[] = {
        {"a,b", ",", {"a", "b"}},
        {"a,b,", ",", {"a", "b"}},
        {"a,,b", ",", {"a", "", "b"}},
        {",,", ",", {}},
        {"", ",", {}},
        {"\"a,b\",c", ",", {"\"a", "b\"", "c"}},
        {"a  b", "空格", {"a", "", "b"}},
        {"姓名\t语文\t数学", "制表符", {"姓名", "语文", "数学"}},
        {"  制表符  ", nullptr, {}},   // trimmed box text still names the tab
        {"aXYbXY", "XY", {"a", "b"}},
        {"a;B", ";", {"a", "B"}},
        {"x回车换行y", "回车换行", {"x回车换行y"}},   // the CR LF separator never occurs inside a line
    };
    for (const SplitCase& c : cases) {
        if (!c.box) {
            EXPECT_EQ(fieldSeparatorFor(QString::fromUtf8(c.line)), QStringLiteral("\t"));
            continue;
        }
        const QStringList got = SplitFields(QString::fromUtf8(c.line), fieldSeparatorFor(QString::fromUtf8(c.box)));
        QStringList want = c.fields;
        want.append(QString());
        EXPECT_EQ(got, want) << c.line << " | " << c.box;
    }
    EXPECT_EQ(fieldSeparatorFor(QStringLiteral("换行回车")), QStringLiteral("换行回车"));
    EXPECT_EQ(fieldSeparatorFor(QStringLiteral("回车")), QStringLiteral("\r"));
    EXPECT_EQ(fieldSeparatorFor(QStringLiteral("换行")), QStringLiteral("\n"));
    // An empty separator would never advance: one empty element, no hang.
    EXPECT_EQ(SplitFields(QStringLiteral("a,b"), QString()), QStringList{QString()});
}

TEST(TextImportSettings, ChecksInOrder) {
    struct Case {
        ImportSettingsInput in;
        QString message;
    };
    const Case cases[] = {
        {{"", "回车换行", "回车换行", "0"}, "请先单击打开按钮,打开一个文本文件."},
        {{"f.txt", "回车换行", "回车换行", "0"}, "字段分隔与记录分隔符不允许一样."},
        {{"f.txt", " 回车换行", "回车换行", "1"}, ""},   // compared untrimmed, so it passes
        {{"f.txt", ",", "回车换行", "0"}, "必须要有标题行"},
        {{"f.txt", ",", "回车换行", "abc"}, "必须要有标题行"},
        {{"f.txt", ",", "回车换行", "12"}, ""},
        {{"f.txt", "", "回车换行", "1"}, "字段间的分隔符不能为空."},
        {{"f.txt", "   ", "回车换行", "1"}, "字段间的分隔符不能为空."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(checkImportSettings(c.in), c.message) << c.in.fieldSeparator.toStdString() << "|" << c.in.headerLine.toStdString();
    EXPECT_EQ(headerLineNumber(QStringLiteral("12")), 12);
}

TEST(TextImportPairing, EqualNamesLastWinsLeadingBlankPairsNothing) {
    const auto p = pairEqualNames({"STID", "年级", "班", "姓名", "学号", "语文"},
                                  {"语文", " 姓名", "学号", "语文"});
    EXPECT_EQ(p[3].ColumnIndex, -1);        // " 姓名" is not 姓名
    EXPECT_EQ(p[4].ColumnIndex, 2);
    EXPECT_EQ(p[4].ColumnTitle, QStringLiteral("学号"));
    EXPECT_EQ(p[5].ColumnIndex, 3);         // the second 语文
    EXPECT_EQ(p[0].ColumnTitle, QString());
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

TEST(TextImportFile, RefusesWhatIsNotGbk) {
    SchoolFixture school;
    const QString path = school.folder() + QStringLiteral("/in.txt");
    writeBytes(path, platform::toGbk(QStringLiteral("姓名\t语文\r\n张三\t80\r\n")));
    EXPECT_EQ(readImportText(path), QStringLiteral("姓名\t语文\r\n张三\t80\r\n"));

    const QByteArray refused[] = {
        QByteArray("\xEF\xBB\xBF") + "a,b\r\n",                       // a byte-order mark
        QStringLiteral("姓名,语文\r\n").toUtf8(),                     // UTF-8 Chinese (decodes as GBK too)
        QByteArray("\x81\x20\r\n"),                                   // no GBK at all
    };
    for (const QByteArray& bytes : refused) {
        writeBytes(path, bytes);
        EXPECT_THROW(readImportText(path), ImportFileError) << bytes.toHex().constData();
    }
    EXPECT_THROW(readImportText(school.folder() + QStringLiteral("/gone.txt")), ImportFileError);
    EXPECT_TRUE(headerTitles(school.folder() + QStringLiteral("/gone.txt"), 1, ",").isEmpty());
}

// A line longer than any roster line is refused before it is shown or split,
// by its number counted as the run counts lines; a line of the longest length
// still reads.
TEST(TextImportFile, ALineLongerThanAnyRosterIsRefusedByItsNumber) {
    SchoolFixture school;
    const QString path = school.folder() + QStringLiteral("/in.txt");
    const QByteArray name = platform::toGbk(QStringLiteral("张"));   // two bytes: lengths are bytes
    const auto lineOf = [&](qsizetype bytes) {
        QByteArray line = (name + "\t").repeated(bytes / 3);
        return line + QByteArray(bytes - line.size(), 'x');
    };
    struct Case { QByteArray before, after; qsizetype length; qint64 refusedLine; };
    const Case cases[] = {
        {"a\tb\r\n", "\r\n", kLongestImportLine, 0},
        {"a\tb\r\n", "\r\n", kLongestImportLine + 1, 2},
        {"a\r\nb\nc\rd\r\n", "", kLongestImportLine + 1, 5},   // every kind of line end, no last one
        {"", "\r\nc", 3 * kLongestImportLine, 1},
    };
    for (const Case& c : cases) {
        writeBytes(path, c.before + lineOf(c.length) + c.after);
        SCOPED_TRACE(c.refusedLine);
        if (c.refusedLine == 0) {
            EXPECT_EQ(splitLines(readImportText(path))[1].size(), c.length - c.length / 3 * 3 + c.length / 3 * 2);
            continue;
        }
        try {
            readImportText(path);
            ADD_FAILURE() << "not refused";
        } catch (const ImportFileError& e) {
            EXPECT_EQ(e.message(), QStringLiteral("文件的第%1行太长(%2个字节,一行最多1048576个字节),不是学生名单的一行,不能导入.")
                                       .arg(c.refusedLine).arg(c.length));
        }
        EXPECT_TRUE(headerTitles(path, 1, QStringLiteral("\t")).isEmpty());
    }
}

TEST(TextImportFile, LinesEndAtAnyLineEnd) {
    EXPECT_EQ(splitLines(QStringLiteral("a\r\nb\nc\rd")), (QStringList{"a", "b", "c", "d"}));
    EXPECT_EQ(splitLines(QStringLiteral("a\r\n")), (QStringList{"a", ""}));
}

// --- the run -----------------------------------------------------------------

struct RunTest : ::testing::Test {
    SchoolFixture school{{"语文", "数学"}, {"2004"}, {"2004级01班", "2004级02班"}};
    QString source = school.folder() + QStringLiteral("/class.txt");
    QString log = school.folder() + QStringLiteral("/导入数据记录.txt");

    RunTest() {
        add("20040001", "01", "张三", "01", 50);
        add("20040002", "01", "李四", "02", 60);
        add("20040003", "02", "王五", "01", 70);
        add("20040004", "02", "王五", "02", 75);   // a name two students share
        add("20040005", "02", "Tom", "03", 65);
        add("20040006", "02", "O'N", "04", 66);
    }
    void add(const char* id, const char* cls, const char* name, const char* no, double mark) {
        school.db()->insertRow(table::Scores, {"STID", "年级", "班", "姓名", "学号", "语文"},
                               {QString::fromUtf8(id), "2004", QString::fromUtf8(cls), QString::fromUtf8(name),
                                QString::fromUtf8(no), mark});
    }
    void file(const QString& text) { writeBytes(source, platform::toGbk(text)); }
    // Header 姓名, 语文, 数学 on line 1; key 姓名.
    ImportPlan plan(const QStringList& titles = {"姓名", "语文", "数学"}, int key = 3) {
        ImportPlan p;
        p.sourceFile = source;
        p.separator = QStringLiteral("\t");
        QStringList names;
        for (const auto& f : school.db()->tableDef(table::Scores).fields)
            names << f.name;
        p.pairings = pairEqualNames(names, titles);
        const int fieldOfKey[6] = {-1, 1, 2, 3, 4, 0};
        p.keyColumn[key] = p.pairings[fieldOfKey[key]].ColumnIndex;
        return p;
    }
    QVariant mark(const char* id, const char* field = "语文") {
        return school.db()->scalar(QStringLiteral("SELECT \"%1\" FROM 成绩表 WHERE STID=?").arg(QString::fromUtf8(field)),
                                   {QString::fromUtf8(id)});
    }
    QByteArray logBytes() {
        QFile f(log);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
    }
    int students() { return school.db()->scalar("SELECT count(*) FROM 成绩表").toInt(); }
};

using O = TextImportRun::Outcome;

TEST_F(RunTest, OutcomesByLineAndTheLogByteForByte) {
    file(QStringLiteral("姓名\t语文\t数学\r\n"
                        "张三\t88\t\r\n"       // one match; an empty 数学 is Null
                        "\t\t\r\n"             // separators only: passed over
                        "王五\t90\t91\r\n"     // two matches
                        "tom\t77\t78\r\n"      // the engine's = ignores ASCII case
                        "O'N\t99\t98\r\n"   // a quote in a key finds its student
                        "赵六\t1\t2\r\n"       // nobody
                        "\r\n"
                        "合计\t1\t2\r\n"));
    {
        TextImportRun run(school.db(), plan(), log, 1);
        EXPECT_EQ(run.next(), O::Single);
        EXPECT_EQ(run.lineNumber(), 2);
        run.write(run.matches().front());
        EXPECT_EQ(run.next(), O::Several);
        EXPECT_EQ(run.lineNumber(), 4);   // the line of separators is consumed
        EXPECT_EQ(run.matches().size(), 2u);
        EXPECT_EQ(run.conditions(), QStringLiteral("姓名=?"));
        run.write(run.matches().back());
        EXPECT_EQ(run.next(), O::Single);
        run.write(run.matches().front());
        EXPECT_EQ(run.next(), O::Single);
        run.write(run.matches().front());
        EXPECT_EQ(run.next(), O::NotFound);
        run.pass();
        EXPECT_EQ(run.next(), O::End);    // the empty line ends it; the summary is never read
        EXPECT_EQ(run.linesConsumed(), 7);
        run.commit();
    }   // the log takes its place when the run goes

    EXPECT_EQ(mark("20040001").toDouble(), 88);
    EXPECT_TRUE(mark("20040001", "数学").isNull());
    EXPECT_EQ(mark("20040003").toDouble(), 70);
    EXPECT_EQ(mark("20040004").toDouble(), 90);
    EXPECT_EQ(mark("20040005").toDouble(), 77);
    EXPECT_EQ(mark("20040006").toDouble(), 99);
    EXPECT_EQ(logBytes(), platform::toGbk(QStringLiteral("姓名=张三\r\n语文=88\r\n数学=\r\n"
                                                         "姓名=王五\r\n语文=90\r\n数学=91\r\n"
                                                         "姓名=tom\r\n语文=77\r\n数学=78\r\n"
                                                         "姓名=O'N\r\n语文=99\r\n数学=98\r\n")));
}

TEST_F(RunTest, AppendedRowsAreFoundByLaterLinesAndKeyWritesMoveTheLookup) {
    file(QStringLiteral("姓名\t语文\r\n赵六\t1\r\n赵六\t2\r\n"));
    TextImportRun run(school.db(), plan({"姓名", "语文"}), log, 1);
    ASSERT_EQ(run.next(), O::NotFound);
    run.append();
    ASSERT_EQ(run.next(), O::Single);   // the row appended a line before
    run.write(run.matches().front());
    EXPECT_EQ(run.next(), O::End);
    run.commit();
    EXPECT_EQ(students(), 7);
    EXPECT_EQ(school.db()->scalar("SELECT 语文 FROM 成绩表 WHERE 姓名='赵六'").toDouble(), 2);
    EXPECT_TRUE(school.db()->scalar("SELECT STID FROM 成绩表 WHERE 姓名='赵六'").isNull());
    EXPECT_EQ(run.counts().appended, 1);
    EXPECT_EQ(run.counts().written, 1);

    // Keyed on STID, a line renames a student; the next line finds him by id still.
    file(QStringLiteral("STID\t姓名\r\n20040001\t张叁\r\n20040001\t张叁\r\n"));
    TextImportRun byId(school.db(), plan({"STID", "姓名"}, 5), log, 1);
    ASSERT_EQ(byId.next(), O::Single);
    byId.write(byId.matches().front());
    ASSERT_EQ(byId.next(), O::Single);
}

TEST_F(RunTest, ShortLinesArePassedOverAndRefusedValuesCounted) {
    file(QStringLiteral("学号\t姓名\t语文\r\n"
                        "01\r\n"                 // does not reach the key 姓名
                        "01\t张三\t很好\r\n"     // a mark that is no number
                        "02\t李四\t61\r\n"));
    ImportPlan p = plan({"学号", "姓名", "语文"});
    auto run = std::make_unique<TextImportRun>(school.db(), p, log, 1);
    ASSERT_EQ(run->next(), O::Single);   // line 2 passed over inside next()
    EXPECT_EQ(run->lineNumber(), 3);
    run->write(run->matches().front());
    ASSERT_EQ(run->next(), O::Single);
    run->write(run->matches().front());
    EXPECT_EQ(run->next(), O::End);
    const ImportCounts counts = run->counts();
    run.reset();   // the log takes its place when the run goes
    EXPECT_EQ(mark("20040001").toDouble(), 50);   // refused, left as it was
    EXPECT_EQ(mark("20040002").toDouble(), 61);
    EXPECT_EQ(counts.passedOver, 1);
    EXPECT_EQ(counts.refused, 1);
    ASSERT_EQ(counts.firstRefused.size(), 1u);
    EXPECT_EQ(counts.firstRefused[0].line, 3);
    EXPECT_EQ(counts.firstRefused[0].field, QStringLiteral("语文"));
    const QString done = completionMessage(counts);
    EXPECT_TRUE(done.startsWith(QStringLiteral("数据导入完成! 为了保证数据的完整性")));
    EXPECT_TRUE(done.contains(QStringLiteral("第3行 语文"))) << done.toStdString();
    // The log shows the refused value all the same.
    EXPECT_TRUE(logBytes().contains(platform::toGbk(QStringLiteral("语文=很好\r\n"))));
}

// The values are refused, so the database writes nothing: only the log meets the full disk.
TEST_F(RunTest, ALogTheDiskCannotTakeLeavesTheOldLog) {
    file(QStringLiteral("姓名\t语文\r\n张三\t很好\r\n李四\t不好\r\n"));
    writeBytes(log, "old log");
    {
        const FileSizeLimit full(16);
        TextImportRun run(school.db(), plan({"姓名", "语文"}), log, 1);
        while (run.next() == O::Single)
            run.write(run.matches().front());
        EXPECT_EQ(run.counts().refused, 2);
    }
    EXPECT_EQ(logBytes(), "old log");
    EXPECT_EQ(QDir(school.folder()).entryList({"*导入数据记录*"}, QDir::Files | QDir::Hidden),
              QStringList{"导入数据记录.txt"});
}

TEST_F(RunTest, AResumeSkipsTheLinesDoneAndLogsOnlyFromThere) {
    file(QStringLiteral("姓名\t语文\r\n张三\t81\r\n李四\t82\r\n"));
    {
        TextImportRun run(school.db(), plan({"姓名", "语文"}), log, 2);
        ASSERT_EQ(run.next(), O::Single);
        EXPECT_EQ(run.lineNumber(), 3);
        run.write(run.matches().front());
    }   // the run commits when it goes
    EXPECT_EQ(mark("20040001").toDouble(), 50);
    EXPECT_EQ(mark("20040002").toDouble(), 82);
    EXPECT_EQ(logBytes(), platform::toGbk(QStringLiteral("姓名=李四\r\n语文=82\r\n")));
    // Past the end: nothing to read.
    TextImportRun after(school.db(), plan({"姓名", "语文"}), log, 9);
    EXPECT_EQ(after.next(), O::End);
    EXPECT_EQ(after.linesConsumed(), 9);
}

TEST_F(RunTest, AFileNoLongerGbkWritesNothing) {
    writeBytes(source, QStringLiteral("姓名\t语文\r\n张三\t81\r\n").toUtf8());
    EXPECT_THROW(TextImportRun(school.db(), plan({"姓名", "语文"}), log, 1), ImportFileError);
    // Nor one grown a line no roster has since its header was read.
    writeBytes(source, platform::toGbk(QStringLiteral("姓名\t语文\r\n张三\t81\r\n")) +
                           QByteArray(kLongestImportLine + 1, '\t') + "\r\n");
    EXPECT_THROW(TextImportRun(school.db(), plan({"姓名", "语文"}), log, 1), ImportFileError);
    QFile::remove(source);
    EXPECT_THROW(TextImportRun(school.db(), plan({"姓名", "语文"}), log, 1), ImportFileError);
    EXPECT_EQ(mark("20040001").toDouble(), 50);
}

} // namespace
