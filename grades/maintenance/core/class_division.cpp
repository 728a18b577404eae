#include "grades/maintenance/core/class_division.h"

#include "common/class_label.h"
#include "common/random_source.h"
#include "common/schema.h"
#include "common/widthfit.h"
#include "platform/db/database.h"
#include "platform/db/textorder.h"
#include "platform/text/number_text.h"
#include "platform/text/values.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <set>

namespace maintenance::division {

using platform::db::Database;
using platform::db::Transaction;

namespace {

// Counts as the lines show them: two digits at least.
QString twoDigits(int n) {
    const QString digits = QString::number(std::abs(n)).rightJustified(2, QLatin1Char('0'));
    return n < 0 ? QLatin1Char('-') + digits : digits;
}

// A typed size or class number: its number value, whole, as a 16-bit count.
int typedNumber(const QString& text) {
    return int(std::clamp<int64_t>(platform::leadingWholeNumber(text), -32768, 32767));
}

QString fixedWidth(const QString& text, int width) {
    return text.left(width).leftJustified(width, QLatin1Char(' '));
}

bool isNullCell(const QVariant& v) { return v.isNull() || !v.isValid(); }

} // namespace

QString classLineText(const ClassEntry& c) {
    return classLabel(c.grade, c.cls) + QLatin1Char(' ') + twoDigits(c.size) + QStringLiteral("人");
}

std::vector<ClassEntry> loadClasses(Database& db) {
    // Counted here rather than grouped by the engine, which would compare
    // every pair through the text order; the key folds ASCII case as that
    // order does, and the first spelling met is the one shown.
    std::vector<ClassEntry> out;
    QHash<QString, int> found;
    for (const QVariantList& row :
         db.query(QStringLiteral("SELECT [年级], [班] FROM [%1] WHERE [年级] IS NOT NULL AND [班] IS NOT NULL")
                      .arg(table::Scores))) {
        const QString grade = row[0].toString();
        const QString cls = row[1].toString();
        const QString key = platform::db::equalityKey(grade + QChar(u'\x1f') + cls);
        const auto at = found.constFind(key);
        if (at != found.constEnd()) {
            ++out[size_t(*at)].size;
            continue;
        }
        found.insert(key, int(out.size()));
        out.push_back({grade, cls, 1, false});
    }
    std::sort(out.begin(), out.end(), [](const ClassEntry& a, const ClassEntry& b) {
        const int byGrade = platform::db::compareText(a.grade, b.grade);
        return byGrade != 0 ? byGrade < 0 : platform::db::compareText(a.cls, b.cls) < 0;
    });
    return out;
}

TickResult checkTicks(const std::vector<ClassEntry>& classes) {
    const ClassEntry* first = nullptr;
    for (int i = 0; i < int(classes.size()); ++i) {
        const ClassEntry& c = classes[size_t(i)];
        if (!c.ticked)
            continue;
        if (!first) {
            first = &c;
            continue;
        }
        // The eighth character tells a class ("班") from a grade level.
        if (classLabel(c.grade, c.cls).mid(7, 1) != classLabel(first->grade, first->cls).mid(7, 1))
            return {TickCheck::GradeAndClassMixed, i};
        if (c.grade != first->grade)
            return {TickCheck::OtherGrade, i};
    }
    return {};
}

QString tickMessage(TickCheck check) {
    switch (check) {
    case TickCheck::GradeAndClassMixed:
        return QStringLiteral("你不能既选择年级又选择班.");
    case TickCheck::OtherGrade:
        return QStringLiteral("你不能同时选不同年级的班.");
    case TickCheck::Fine:
        break;
    }
    return {};
}

QString planLineText(const PlanLine& line) {
    return classLabel(line.grade, line.cls) + QLatin1Char(' ') +
           (line.formerSize ? twoDigits(*line.formerSize) : QStringLiteral("  ")) + QStringLiteral("人 ") +
           (line.type.isEmpty() ? QStringLiteral(" ") : line.type.left(1)) + QLatin1Char(' ') +
           twoDigits(line.plannedSize) + QStringLiteral("人");
}

bool DivisionPlan::build(const std::vector<ClassEntry>& classes, bool fastSlow) {
    const auto first = std::find_if(classes.begin(), classes.end(), [](const ClassEntry& c) { return c.ticked; });
    if (first == classes.end())
        return false;
    grade_ = first->grade;
    gradeStudentTotal_ = 0;
    lines_.clear();
    classes_.clear();
    for (const ClassEntry& c : classes) {
        if (c.grade != grade_)
            continue;
        classes_.push_back(c);
        gradeStudentTotal_ += c.size;
        place({c.grade, c.cls, c.size, fastSlow ? QStringLiteral("平") : QStringLiteral("常"), c.size});
    }
    return true;
}

int DivisionPlan::remaining() const {
    int seats = 0;
    for (const PlanLine& line : lines_)
        seats += line.plannedSize;
    return gradeStudentTotal_ - seats;
}

QString DivisionPlan::remainingText() const {
    return QStringLiteral("还剩:%1人").arg(remaining());
}

QStringList DivisionPlan::lineTexts() const {
    QStringList out;
    for (const PlanLine& line : lines_)
        out << planLineText(line);
    return out;
}

// Puts a line in its sorted place (after its equals) and gives its index.
int DivisionPlan::place(PlanLine line) {
    const auto at = std::upper_bound(lines_.begin(), lines_.end(), line, [](const PlanLine& a, const PlanLine& b) {
        return platform::db::compareText(a.cls, b.cls) < 0;
    });
    const auto placed = lines_.insert(at, std::move(line));
    return int(placed - lines_.begin());
}

const ClassEntry* DivisionPlan::keptClass(const QString& cls) const {
    for (const ClassEntry& c : classes_)
        if (c.cls == cls && !c.ticked)
            return &c;
    return nullptr;
}

std::optional<int> DivisionPlan::add(const QString& classText, const QString& sizeText, const QString& typeText) {
    const QString cls = twoDigits(typedNumber(classText));
    for (const PlanLine& line : lines_)
        if (line.cls == cls)
            return std::nullopt;
    return place({grade_, cls, std::nullopt, typeText.left(1), typedNumber(sizeText)});
}

std::optional<int> DivisionPlan::edit(int index, const QString& sizeText, const QString& typeText) {
    if (index < 0 || index >= int(lines_.size()))
        return std::nullopt;
    const int size = typedNumber(sizeText);
    // A kept class keeps all its students: it may grow, never shrink.
    if (const ClassEntry* kept = keptClass(lines_[size_t(index)].cls); kept && size < kept->size)
        return std::nullopt;
    PlanLine line = lines_[size_t(index)];
    lines_.erase(lines_.begin() + index);
    line.type = typeText.left(1);
    line.plannedSize = size;
    return place(std::move(line));
}

std::optional<int> DivisionPlan::remove(int index) {
    if (index < 0 || index >= int(lines_.size()) || keptClass(lines_[size_t(index)].cls))
        return std::nullopt;
    lines_.erase(lines_.begin() + index);
    if (lines_.empty())
        return -1;
    return index < int(lines_.size()) ? index : 0;
}

std::vector<DivisionClass> divisionClasses(const DivisionPlan& plan, const std::vector<ClassEntry>& classes) {
    std::vector<DivisionClass> out;
    for (const PlanLine& line : plan.lines()) {
        DivisionClass c{line.grade, line.cls, line.formerSize.value_or(0), line.plannedSize, 0, line.type, false};
        for (const ClassEntry& e : classes) {
            if (e.grade != line.grade || e.cls != line.cls)
                continue;
            c.reformed = e.ticked;
            c.filled = e.ticked ? 0 : c.formerSize;
            break;
        }
        out.push_back(c);
    }
    return out;
}

std::vector<DivisionStudent> loadStudents(Database& db, const std::vector<ClassEntry>& classes) {
    // One term per grade with its classes as a list: the engine looks a row's
    // class up in the list instead of testing every class in turn.
    QStringList grades;
    std::vector<QVariantList> classesOf;
    for (const ClassEntry& c : classes) {
        if (!c.ticked)
            continue;
        int g = int(grades.indexOf(c.grade));
        if (g < 0) {
            grades << c.grade;
            classesOf.emplace_back();
            g = int(grades.size()) - 1;
        }
        classesOf[size_t(g)] << c.cls;
    }
    std::vector<DivisionStudent> out;
    if (grades.isEmpty())
        return out;
    QStringList terms;
    QVariantList params;
    for (int g = 0; g < int(grades.size()); ++g) {
        const QVariantList& ids = classesOf[size_t(g)];
        QStringList marks;
        for (int i = 0; i < int(ids.size()); ++i)
            marks << QStringLiteral("?");
        terms << QStringLiteral("([年级] = ? AND [班] IN (%1))").arg(marks.join(QLatin1Char(',')));
        params << grades[g] << ids;
    }
    // Students without a total sort last when descending; ties keep stored order.
    const auto rows = db.query(QStringLiteral("SELECT rowid, [STID], [姓名], [班], [总分], [年级] FROM [%1] "
                                              "WHERE %2 ORDER BY [总分] DESC, rowid")
                                   .arg(table::Scores, terms.join(QStringLiteral(" OR "))),
                               params);
    out.reserve(rows.size());
    for (const QVariantList& row : rows) {
        DivisionStudent s;
        s.rowid = row[0].toLongLong();
        s.stid = row[1].toString();
        s.name = row[2].toString();
        s.cls = row[3].toString();
        s.total = isNullCell(row[4]) ? QStringLiteral("0")
                                 : platform::PlainNumberText(row[4].toDouble(), platform::Precision::Single).left(6);
        s.grade = row[5].toString();
        s.newClass = s.cls;
        out.push_back(std::move(s));
    }
    return out;
}

namespace {

int freeSeats(const DivisionClass& c) { return c.plannedSize - c.filled; }

void placeIn(DivisionClass& c, DivisionStudent& s) {
    s.newClass = c.cls;
    s.placed = true;
    ++c.filled;
}

// Consecutive blocks: each class in turn fills up from the order given.
void byBlocks(std::vector<DivisionClass>& classes, std::vector<DivisionStudent>& students,
              const std::vector<int>& group, const std::vector<int>& order) {
    for (int c : group) {
        DivisionClass& cls = classes[size_t(c)];
        for (int s : order) {
            if (freeSeats(cls) <= 0)
                break;
            if (!students[size_t(s)].placed)
                placeIn(cls, students[size_t(s)]);
        }
    }
}

// Each class with room takes the best remaining student, then each the
// worst, cycle after cycle, the class order the same every time.
void evenly(std::vector<DivisionClass>& classes, std::vector<DivisionStudent>& students,
            const std::vector<int>& group, const std::vector<int>& pupils) {
    const int k = int(pupils.size());
    auto placed = [&](int pos) { return students[size_t(pupils[size_t(pos)])].placed; };
    int left = int(std::count_if(pupils.begin(), pupils.end(), [&](int s) { return !students[size_t(s)].placed; }));
    int front = 0;
    int back = k - 1;
    while (left > 0) {
        bool placedAny = false;
        auto take = [&](int c, int pos) {
            DivisionClass& cls = classes[size_t(c)];
            if (freeSeats(cls) > 0 && !placed(pos)) {
                placeIn(cls, students[size_t(pupils[size_t(pos)])]);
                placedAny = true;
                --left;
            }
        };
        for (int c : group) {
            while (front < k - 1 && placed(front))
                ++front;
            take(c, front);
            if (left == 0)
                return;
        }
        for (int c : group) {
            while (back > 0 && placed(back))
                --back;
            take(c, back);
            if (left == 0)
                return;
        }
        // Every class of the group full: the others keep their former class.
        if (!placedAny)
            return;
    }
}

} // namespace

void distributeStudents(std::vector<DivisionClass>& classes, std::vector<DivisionStudent>& students,
                        const std::vector<int>& group, const std::vector<int>& pupils, Rule rule,
                        RandomSource& random) {
    switch (rule) {
    case Rule::ByScore:
        byBlocks(classes, students, group, pupils);
        break;
    case Rule::Even:
        evenly(classes, students, group, pupils);
        break;
    case Rule::Random: {
        // One single-precision key per student; largest first, equal keys in
        // list order.
        std::vector<std::pair<int, float>> keys;
        keys.reserve(pupils.size());
        for (int s : pupils)
            keys.push_back({s, float(random.next())});
        std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
        std::vector<int> order;
        order.reserve(keys.size());
        for (const auto& key : keys)
            order.push_back(key.first);
        byBlocks(classes, students, group, order);
        break;
    }
    case Rule::Manual:
        break;
    }
}

void divideByClassType(std::vector<DivisionClass>& classes, std::vector<DivisionStudent>& students, bool fastSlow,
                       Rule rule, RandomSource& random) {
    auto runGroup = [&](const std::vector<int>& group, bool weakestFirst) {
        int seats = 0;
        for (int c : group)
            seats += freeSeats(classes[size_t(c)]);
        if (seats <= 0)
            return;
        std::vector<int> pupils;
        const int n = int(students.size());
        for (int i = 0; i < n && int(pupils.size()) < seats; ++i) {
            const int s = weakestFirst ? n - 1 - i : i;
            if (!students[size_t(s)].placed)
                pupils.push_back(s);
        }
        distributeStudents(classes, students, group, pupils, rule, random);
    };
    if (!fastSlow) {
        std::vector<int> all(classes.size());
        for (int i = 0; i < int(all.size()); ++i)
            all[size_t(i)] = i;
        runGroup(all, false);
        return;
    }
    for (const QString& type : {QStringLiteral("快"), QStringLiteral("慢"), QStringLiteral("平")}) {
        std::vector<int> group;
        for (int i = 0; i < int(classes.size()); ++i)
            if (classes[size_t(i)].type == type)
                group.push_back(i);
        runGroup(group, type == QStringLiteral("慢"));
    }
}

int nextUnplaced(const std::vector<DivisionStudent>& students, int from) {
    for (int i = std::max(from, 0); i < int(students.size()); ++i)
        if (!students[size_t(i)].placed)
            return i;
    return -1;
}

QString manualLabel(const DivisionStudent& s) {
    return fixedWidth(s.grade, 4) + QStringLiteral("级") + fixedWidth(s.cls, 2) + QStringLiteral("班 ") +
           fixedWidth(s.name, 3) + QStringLiteral(" 总分") + fixedWidth(s.total, 6);
}

QString studentLine(const DivisionStudent& s) {
    return PadToWidth(fixedWidth(s.name, 3), 6, -1) + QLatin1Char(' ') + fixedWidth(s.total, 6) +
           fixedWidth(s.cls, 2) + QLatin1Char(' ') + fixedWidth(s.newClass, 2);
}

QStringList summaryLines(const std::vector<DivisionClass>& classes, const std::vector<DivisionStudent>& students) {
    QStringList out;
    for (const DivisionClass& c : classes) {
        const auto count = std::count_if(students.begin(), students.end(),
                                         [&](const DivisionStudent& s) { return s.newClass == c.cls; });
        if (c.reformed)
            out << QStringLiteral("%1班 完全重新组合  现为%2人").arg(c.cls).arg(count);
        else
            out << QStringLiteral("%1班 原来%2人  将增加%3人").arg(c.cls).arg(c.formerSize).arg(count);
    }
    return out;
}

void writeDivision(Database& db, const QString& grade, const std::vector<ClassEntry>& classes,
                   const std::vector<DivisionClass>& plan, const std::vector<DivisionStudent>& students) {
    Transaction write(db);
    // A row is written only while it still holds the student read at the start.
    const QString move = QStringLiteral("UPDATE [%1] SET [班] = ? WHERE rowid = ? AND [STID] IS ?").arg(table::Scores);
    for (const DivisionStudent& s : students)
        db.execute(move, {s.newClass, s.rowid, s.stid.isNull() ? QVariant() : QVariant(s.stid)});

    const QString hasClass =
        QStringLiteral("SELECT COUNT(*) FROM [%1] WHERE [年级] = ? AND [班] = ?").arg(table::Classes);
    for (const DivisionClass& c : plan)
        if (db.scalar(hasClass, {c.grade, c.cls}).toInt() == 0)
            db.insertRow(table::Classes, {QStringLiteral("年级"), QStringLiteral("班")}, {c.grade, c.cls});

    // Only classes that took part can be left empty by the division; a class
    // added elsewhere for later keeps its row and its teachers.
    QStringList takingPart;
    for (const ClassEntry& c : classes)
        if (c.ticked && c.grade == grade && !takingPart.contains(c.cls))
            takingPart << c.cls;
    for (const DivisionClass& c : plan)
        if (c.grade == grade && !takingPart.contains(c.cls))
            takingPart << c.cls;
    // The classes of the grade that still have students, compared as the
    // database compares texts (ASCII letters without case).
    QSet<QString> occupied;
    for (const QVariantList& row :
         db.query(QStringLiteral("SELECT [班] FROM [%1] WHERE [年级] = ? AND [班] IS NOT NULL").arg(table::Scores),
                  {grade}))
        occupied.insert(platform::db::equalityKey(row[0].toString()));
    const QString drop = QStringLiteral("DELETE FROM [%1] WHERE [年级] = ? AND [班] = ?").arg(table::Classes);
    for (const QString& cls : takingPart)
        if (!occupied.contains(platform::db::equalityKey(cls)))
            db.execute(drop, {grade, cls});
    write.commit();
}

} // namespace maintenance::division
