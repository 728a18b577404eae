#include "common/schema.h"

#include <gtest/gtest.h>

using platform::db::FieldType;
using platform::db::TableDef;

namespace {

QStringList names(const TableDef& t) {
    QStringList out;
    for (const auto& f : t.fields) out << f.name;
    return out;
}

TEST(Schema, ScoreTablesHaveTenFixedFieldsThenTheSubjectsInListOrder) {
    const QStringList fixed = {"STID", "年级", "班", "姓名", "学号", "考号", "考室", "座位", "总分", "平均分"};
    const int sizes[] = {8, 4, 2, 3, 3, 11, 3, 2};
    for (const QStringList& subjects : {QStringList{}, QStringList{"语文"}, QStringList{"英语", "数学", "ab"}}) {
        for (const QString table : {"成绩表", "绝对成绩表", "相对成绩表"}) {
            const TableDef t = scoreTableDef(table, subjects);
            EXPECT_EQ(t.name, table);
            EXPECT_EQ(names(t), fixed + subjects);
            EXPECT_EQ(int(t.fields.size()) - kFirstSubjectField, subjects.size());
            for (int i = 0; i < 8; ++i) {
                EXPECT_EQ(t.fields[i].type, FieldType::Text);
                EXPECT_EQ(t.fields[i].size, sizes[i]) << i;
            }
            for (size_t i = 8; i < t.fields.size(); ++i) EXPECT_EQ(t.fields[i].type, FieldType::Single);
            for (const auto& f : t.fields) EXPECT_FALSE(f.required) << f.name.toStdString();
        }
    }
}

TEST(Schema, GradeAndClassTables) {
    const QStringList subjects = {"语文", "数学", "英语"};
    const TableDef g = gradeTableDef(subjects);
    EXPECT_EQ(g.name, "年级表");
    EXPECT_EQ(names(g), QStringList{"年级"} + subjects);
    EXPECT_TRUE(g.fields[0].required);
    EXPECT_EQ(g.fields[0].size, 4);
    for (size_t i = 1; i < g.fields.size(); ++i) {
        EXPECT_EQ(g.fields[i].type, FieldType::Single);
        EXPECT_FALSE(g.fields[i].required);
    }

    const TableDef c = classTableDef(subjects);
    EXPECT_EQ(c.name, "班级表");
    EXPECT_EQ(names(c), (QStringList{"年级", "班"} + subjects));
    EXPECT_TRUE(c.fields[0].required);
    EXPECT_TRUE(c.fields[1].required);
    EXPECT_EQ(c.fields[1].size, 2);
    for (size_t i = 2; i < c.fields.size(); ++i) {
        EXPECT_EQ(c.fields[i].type, FieldType::Text);
        EXPECT_EQ(c.fields[i].size, 3);
        EXPECT_FALSE(c.fields[i].required);
    }
}

TEST(Schema, TeacherTableHas55FieldsWithAssignmentPairs) {
    const TableDef t = teacherTableDef();
    EXPECT_EQ(t.name, "教师表");
    ASSERT_EQ(t.fields.size(), 55u);
    EXPECT_EQ(names(t).mid(0, 15),
              (QStringList{"姓名", "考绩分", "任课班数", "学生总数", "差生人数", "及格人数", "优生人数", "总分",
                           "平均分", "最高分", "最低分", "上期平均分", "上期及格率", "上期优生率", "上期差生率"}));
    for (int i = 2; i <= 6; ++i) EXPECT_EQ(t.fields[i].type, FieldType::Integer) << i;
    EXPECT_EQ(t.fields[1].type, FieldType::Single);
    EXPECT_EQ(t.fields[14].type, FieldType::Single);
    EXPECT_EQ(t.fields[15].name, "任课班级1");
    EXPECT_EQ(t.fields[16].name, "科目1");
    EXPECT_EQ(t.fields[17].name, "任课班级2");
    EXPECT_EQ(t.fields[53].name, "任课班级20");
    EXPECT_EQ(t.fields[54].name, "科目20");
    for (int i = 15; i < 55; ++i) {
        EXPECT_EQ(t.fields[i].type, FieldType::Text);
        EXPECT_EQ(t.fields[i].size, 8);
    }
}

TEST(Schema, SettingsTableAndItsRows) {
    const TableDef t = settingsTableDef();
    EXPECT_EQ(t.name, "状态表");
    ASSERT_EQ(t.fields.size(), 2u);
    EXPECT_EQ(t.fields[0].name, "说明");
    EXPECT_EQ(t.fields[0].size, 15);
    EXPECT_TRUE(t.fields[0].required);
    EXPECT_EQ(t.fields[1].name, "状态");
    EXPECT_EQ(t.fields[1].size, 25);
    EXPECT_FALSE(t.fields[1].required);

    const auto& rows = settingsRowDefaults();
    ASSERT_EQ(rows.size(), size_t(kSettingsRowCount));
    // Every row fits its fields; 说明 is required and never empty.
    for (const auto& r : rows) {
        EXPECT_FALSE(r.name.isEmpty());
        EXPECT_LE(r.name.size(), 15) << r.name.toStdString();
        EXPECT_LE(r.value.size(), 25) << r.name.toStdString();
    }
    struct Row { int number; const char* name; const char* value; };
    const Row expected[] = {
        {1, "学校名称", ""},
        {4, "当前状态", "初始化完成"},
        {8, "考号打印", "否"},
        {11, "考试说明", "2000年第二学年度期未考试"},
        {14, "总分为零为时给出提示", "t"},
        {19, "教师考绩分3", "(b/a)*100+(c/a-j)*100"},
        {26, "考绩分用表", "成绩表"},
        {27, "成绩库1", "0"},
        {31, "成绩库5", "0"},
        {32, "成绩库比重", "0,0,0,0,0,100"},
        {34, "考号字体", "宋体,10,宋体,20"},
        {35, "解锁", "0"},
        {36, "高级查看", "1111111101"},
        {37, "考号长度", "0"},
    };
    for (const Row& e : expected) {
        EXPECT_EQ(rows[e.number - 1].name, QString::fromUtf8(e.name)) << e.number;
        EXPECT_EQ(rows[e.number - 1].value, QString::fromUtf8(e.value)) << e.number;
    }
}

} // namespace
