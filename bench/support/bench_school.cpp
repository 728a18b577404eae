#include "bench/support/bench_school.h"

#include "common/create_database.h"
#include "common/program_state.h"
#include "common/schema.h"
#include "common/settings_files.h"
#include "platform/db/database.h"

#include <cstdio>
#include <random>

namespace bench {

const QStringList kSubjects = {"语文", "数学", "英语", "物理", "化学", "生物", "政治", "历史", "地理"};
const QStringList kFixed = {"STID", "年级", "班", "姓名", "学号", "考号", "考室", "座位", "总分", "平均分"};

std::vector<Student> makeSchool() {
    std::mt19937 rng(20040901);
    const QString given = QString::fromUtf8("伟芳娜敏静丽强磊军洋勇艳杰娟涛明超秀霞平刚桂英华");
    const QString family = QString::fromUtf8("王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗");
    std::uniform_int_distribution<int> mark(300, 1000);
    std::vector<Student> out;
    for (int g = 0; g < 3; ++g) {
        const QString grade = QString::number(2004 + g);
        int serial = 0;
        for (int c = 1; c <= 60; ++c) {
            const QString cls = QStringLiteral("%1").arg(c, 2, 10, QLatin1Char('0'));
            for (int n = 1; n <= 56; ++n) {
                Student s;
                QString name = family[int(rng() % family.size())];
                name += given[int(rng() % given.size())];
                if (rng() % 2)
                    name += given[int(rng() % given.size())];
                const QString number = QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
                s.values << grade + QStringLiteral("%1").arg(++serial, 4, 10, QLatin1Char('0')) << grade << cls
                         << name << number << number << QVariant() << QVariant() << QVariant() << QVariant();
                for (int k = 0; k < kSubjects.size(); ++k)
                    s.values << mark(rng) / 10.0;
                out.push_back(std::move(s));
            }
        }
    }
    return out;
}

bool createSchoolDatabase(const QString& folder, const QString& path, const std::vector<Student>& school) {
    setProgramFolder(folder);
    NewSchool ns;
    ns.schoolName = QStringLiteral("测试中学");
    ns.databasePath = path;
    ns.subjects = kSubjects;
    for (int g = 0; g < 3; ++g) {
        ns.grades << QString::number(2004 + g);
        for (int c = 1; c <= 60; ++c)
            ns.classes << QStringLiteral("%1级%2班").arg(2004 + g).arg(c, 2, 10, QLatin1Char('0'));
    }
    const SetupOutcome made = ::createSchoolDatabase(ns);
    if (!made.ok) {
        std::fprintf(stderr, "cannot create the school: %s\n", qPrintable(made.message));
        return false;
    }
    try {
        auto db = platform::db::Database::open(path, state().DatabasePassword);
        platform::db::Transaction t(*db);
        db->execute(QStringLiteral("UPDATE 年级表 SET 语文=150"));
        QStringList fields = kFixed;
        fields += kSubjects;
        for (const Student& s : school)
            db->insertRow(QStringLiteral("成绩表"), fields, s.values);
        t.commit();
    } catch (const platform::db::DbError& e) {
        std::fprintf(stderr, "cannot fill the school: %s\n", qPrintable(e.text()));
        return false;
    }
    state().StudentCount = float(school.size());
    return true;
}

void insertGradesAndClasses(platform::db::Database& db) {
    for (int g = 0; g < 3; ++g) {
        const QString grade = QString::number(2004 + g);
        db.insertRow(QStringLiteral("年级表"), {QStringLiteral("年级")}, {grade});
        for (int c = 1; c <= 60; ++c)
            db.insertRow(QStringLiteral("班级表"), {QStringLiteral("年级"), QStringLiteral("班")},
                         {grade, QStringLiteral("%1").arg(c, 2, 10, QLatin1Char('0'))});
    }
}

void createBareSchool(const QString& path, BareTables tables) {
    auto db = platform::db::Database::create(path);
    db->createTable(scoreTableDef(QStringLiteral("成绩表"), kSubjects));
    if (tables != BareTables::Scores) {
        db->createTable(gradeTableDef(kSubjects));
        db->createTable(classTableDef(kSubjects));
    }
    if (tables == BareTables::ClassesAndSettings)
        db->createTable(settingsTableDef());
    platform::db::Transaction t(*db);
    QStringList fields = kFixed;
    fields += kSubjects;
    for (const Student& s : makeSchool())
        db->insertRow(QStringLiteral("成绩表"), fields, s.values);
    if (tables != BareTables::Scores)
        insertGradesAndClasses(*db);
    if (tables == BareTables::ClassesAndSettings)
        for (const SettingsRow& r : settingsRowDefaults())
            db->insertRow(QStringLiteral("状态表"), {QStringLiteral("说明"), QStringLiteral("状态")},
                          {r.name, r.value.isEmpty() ? QStringLiteral("基准中学") : r.value});
    t.commit();
}

bool createScoredSchool(const QString& folder, const QString& path) {
    if (!createSchoolDatabase(folder, path, makeSchool()))
        return false;
    try {
        auto db = platform::db::Database::open(path, state().DatabasePassword);
        db->execute(QStringLiteral("update 成绩表 set 总分=%1, 平均分=(%1)/9").arg(kSubjects.join(u'+')));
    } catch (const platform::db::DbError& e) {
        std::fprintf(stderr, "cannot fill the totals: %s\n", qPrintable(e.text()));
        return false;
    }
    return true;
}

} // namespace bench
