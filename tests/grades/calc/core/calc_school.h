#pragma once
// The calculation's test school: a small database, the scripted host and the
// inputs of the panel, with helpers to add students and teachers and to read
// back what a run left.

#include "scripted_host.h"

#include "common/program_state.h"
#include "common/settings_rows.h"
#include "grades/calc/core/calculation_run.h"
#include "grades/calc/core/teacher_stage.h"
#include "platform/db/recordset.h"
#include "support/school_fixture.h"

#include <QFile>
#include <utility>
#include <vector>

using End = CalculationRun::End;

// A school of two grade levels with three papers each; students added by the test.
struct CalcSchool {
    SchoolFixture school{{"语文", "数学", "英语"}, {"2004", "2005"}, {"2004级01班", "2004级02班", "2005级01班"}};
    ScriptedHost host;
    CalculationInputs inputs;
    FormulaTest formulas = [](const std::array<QString, 4>&) { return true; };
    int students = 0;
    int rowsAStatement = CalculationRun::kRowsAStatement;

    platform::db::Database& db() { return *school.db(); }

    void fullMarks(const QString& grade, const QVariantList& marks) {
        db().execute(QStringLiteral("UPDATE 年级表 SET 语文=?,数学=?,英语=? WHERE 年级=?"), marks + QVariantList{grade});
    }
    // Adds a teacher with his assignments (class label, subject), slot n at n-1; returns his name.
    void teacher(const QString& name, const std::vector<std::pair<QVariant, QVariant>>& assignments) {
        QStringList fields{QStringLiteral("姓名")};
        QVariantList values{name};
        for (int n = 0; n < int(assignments.size()); ++n) {
            fields << QStringLiteral("任课班级%1").arg(n + 1) << QStringLiteral("科目%1").arg(n + 1);
            values << assignments[n].first << assignments[n].second;
        }
        db().insertRow(QStringLiteral("教师表"), fields, values);
    }
    void student(const QString& grade, const QString& cls, const QString& name, const QVariantList& marks) {
        ++students;
        const QString serial = QStringLiteral("%1").arg(students, 4, 10, QLatin1Char('0'));
        db().insertRow(QStringLiteral("成绩表"),
                       {"STID", "年级", "班", "姓名", "学号", "考号", "语文", "数学", "英语"},
                       QVariantList{grade + serial, grade, cls, name, serial.right(2), serial} + marks);
        state().StudentCount = float(students);
    }
    // A run with the teacher stage, row 26 written as the panel writes it.
    End run() { return run(host); }
    // The same with another host (one that stops at a chosen point), on the
    // school's file or on another (a copy of it).
    End run(CalculationHost& with, std::shared_ptr<platform::db::Database> on = {}) {
        if (!on)
            on = school.db();
        CalculationRun r(on, inputs, with, formulas);
        r.setRowsAStatement(rowsAStatement);
        r.setLaterStage(teacherStage([on](const QString& table) {
            platform::db::Recordset settings(on, QStringLiteral("状态表"));
            SettingsRows(settings).store(Setting::AssessmentScoreTable, table);
        }));
        return r.run();
    }
    // Every row of a table as text, for before/after comparisons.
    QString dump(const QString& table) { return dump(db(), table); }
    static QString dump(platform::db::Database& on, const QString& table) {
        QString out;
        for (const QVariantList& row : on.query(QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(table))) {
            for (const QVariant& v : row)
                out += (v.isNull() ? QStringLiteral("-") : v.toString()) + QLatin1Char('|');
            out += QLatin1Char('\n');
        }
        return out;
    }
    QString everything() { return everything(db()); }
    static QString everything(platform::db::Database& on) {
        return dump(on, QStringLiteral("成绩表")) + dump(on, QStringLiteral("绝对成绩表")) +
               dump(on, QStringLiteral("相对成绩表")) + dump(on, QStringLiteral("年级表")) + dump(on, QStringLiteral("状态表"));
    }
    // Marks, 总分 and 平均分 of one student of 成绩表, "gone" when deleted.
    QString marksOf(const QString& stid, const QString& table = QStringLiteral("成绩表")) {
        const auto rows = db().query(
            QStringLiteral("SELECT 语文,数学,英语,总分,平均分 FROM \"%1\" WHERE STID=?").arg(table), {stid});
        if (rows.empty())
            return QStringLiteral("gone");
        QStringList parts;
        for (const QVariant& v : rows.front())
            parts << (v.isNull() ? QStringLiteral("-") : QString::number(v.toDouble(), 'g', 7));
        return parts.join(QLatin1Char(' '));
    }
    QByteArray logBytes() {
        QFile f(CalculationRun::logPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    void oldLog() {
        QFile f(CalculationRun::logPath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old log\r\n");
    }
};

