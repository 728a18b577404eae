#include "common/schema.h"

namespace {

platform::db::FieldDef text(const QString& name, int size, bool required = false) {
    return platform::db::FieldDef{name, platform::db::FieldType::Text, size, required, false};
}
platform::db::FieldDef single(const QString& name) { return platform::db::FieldDef{name, platform::db::FieldType::Single, 0, false, false}; }
platform::db::FieldDef integer(const QString& name) { return platform::db::FieldDef{name, platform::db::FieldType::Integer, 0, false, false}; }

} // namespace

const std::vector<SettingsRow>& settingsRowDefaults() {
    // Texts kept exactly as every existing database holds them, slips included
    // ("期未", "为零为时"): rows are found by position, but people read these names.
    static const std::vector<SettingsRow> rows = {
        {"学校名称", ""},
        {"保留2", "0"},   // rows 2 and 3 only hold the positions of the rows after them
        {"保留3", "0"},
        {"当前状态", "初始化完成"},
        {"考号编写方法", "全班交叉"},
        {"教师考评方法", "全年级比较"},
        {"考室个数", "0"},
        {"考号打印", "否"},
        {"成绩计算", "否"},
        {"成绩打印", "否"},
        {"考试说明", "2000年第二学年度期未考试"},
        {"比较范围", "2"},
        {"得分为零分时提示", "f"},
        {"总分为零为时给出提示", "t"},
        {"总分不得为负数", "f"},
        {"每一项都不出现负数", "t"},
        {"教师考绩分1", "(h-30)/3"},
        {"教师考绩分2", "(c/a-0.1)*100"},
        {"教师考绩分3", "(b/a)*100+(c/a-j)*100"},
        {"优生分数", "80"},
        {"及格分数", "60"},
        {"差生分数", "40"},
        {"考号交叉办法", "3"},
        {"考号的组成", "001"},
        {"教师考绩分4", "0"},
        {"考绩分用表", "成绩表"},
        {"成绩库1", "0"},
        {"成绩库2", "0"},
        {"成绩库3", "0"},
        {"成绩库4", "0"},
        {"成绩库5", "0"},
        {"成绩库比重", "0,0,0,0,0,100"},
        {"考号打印设置", "0,0,3,1"},
        {"考号字体", "宋体,10,宋体,20"},
        {"解锁", "0"},
        {"高级查看", "1111111101"},
        {"考号长度", "0"},
    };
    return rows;
}

platform::db::TableDef scoreTableDef(const QString& name, const QStringList& subjects) {
    platform::db::TableDef t{name,
               {text("STID", 8), text("年级", 4), text("班", 2), text("姓名", 3), text("学号", 3),
                text("考号", 11), text("考室", 3), text("座位", 2), single("总分"), single("平均分")}};
    for (const QString& s : subjects) t.fields.push_back(single(s));
    return t;
}

platform::db::TableDef gradeTableDef(const QStringList& subjects) {
    platform::db::TableDef t{table::Grades, {text("年级", 4, true)}};
    for (const QString& s : subjects) t.fields.push_back(single(s));
    return t;
}

platform::db::TableDef classTableDef(const QStringList& subjects) {
    platform::db::TableDef t{table::Classes, {text("年级", 4, true), text("班", 2, true)}};
    for (const QString& s : subjects) t.fields.push_back(text(s, 3));
    return t;
}

platform::db::TableDef teacherTableDef() {
    platform::db::TableDef t{table::Teachers,
               {text("姓名", 3), single("考绩分"), integer("任课班数"), integer("学生总数"),
                integer("差生人数"), integer("及格人数"), integer("优生人数"), single("总分"),
                single("平均分"), single("最高分"), single("最低分"), single("上期平均分"),
                single("上期及格率"), single("上期优生率"), single("上期差生率")}};
    for (int n = 1; n <= 20; ++n) {
        t.fields.push_back(text(QStringLiteral("任课班级%1").arg(n), 8));
        t.fields.push_back(text(QStringLiteral("科目%1").arg(n), 8));
    }
    return t;
}

platform::db::TableDef settingsTableDef() {
    return platform::db::TableDef{table::Settings, {text("说明", 15, true), text("状态", 25)}};
}
