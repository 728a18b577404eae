#include "grades/examno/core/exam_number_builder.h"

#include "common/program_state.h"
#include "common/random_source.h"
#include "common/schema.h"
#include "common/class_label.h"
#include "common/settings_rows.h"
#include "platform/db/database.h"
#include "platform/text/values.h"
#include "platform/text/message_titles.h"

#include <QHash>
#include <algorithm>
#include <numeric>

namespace examno {

using platform::db::Database;
using platform::db::DbError;

namespace {

const QString kBusy = QStringLiteral("请稍侯,正在编写考号...");
const QString& kHint = platform::kPromptTitle;

bool same(const QString& a, const QString& b) { return platform::db::compareText(a, b) == 0; }

// The database compares texts without regard to the case of ASCII letters.
QString folded(const QString& s) {
    if (std::none_of(s.begin(), s.end(), [](QChar c) { return c >= u'a' && c <= u'z'; }))
        return s;   // ids are mostly digits: no copy
    QString out = s;
    for (QChar& c : out)
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - 'a' + 'A');
    return out;
}

QString classKey(const QString& grade, const QString& cls) {
    return folded(grade) + QChar(0x1f) + folded(cls);
}

template <class T, class Less>
void stableSort(std::vector<T>& v, Less less) { std::stable_sort(v.begin(), v.end(), less); }

// Rooms and seats: every grade level starts in a room of its own, rooms fill up
// to the room size, and the counters end on the last room that got a student.
class Seating {
public:
    explicit Seating(int startRoom) : room_(startRoom - 1) {}
    void enterGrade(const QString& grade) {
        if (!handled_ || !same(grade, grade_)) {
            if (seat_ != 1) {
                ++room_;
                seat_ = 1;
            }
            grade_ = grade;
            handled_ = true;
        }
        roomOfGrade_ = 0;
    }
    int roomOfGrade() const { return roomOfGrade_; }
    // The room and seat of the next student; then the seat moves on.
    std::pair<int, int> place(double roomSize) {
        const std::pair<int, int> at{room_, seat_};
        highest_ = std::max(highest_, room_);
        if (++seat_ > roomSize) {
            seat_ = 1;
            ++room_;
            ++roomOfGrade_;
        }
        return at;
    }
    int lastRoom() const { return seat_ == 1 ? room_ - 1 : room_; }
    int highestRoom() const { return highest_; }
private:
    int room_;
    int seat_ = 0;
    QString grade_;
    bool handled_ = false;
    int roomOfGrade_ = 0;
    int highest_ = 0;
};

QString tooManyMessage(const QString& grade, const QString& cls) {
    return grade + QStringLiteral("级") + cls + QStringLiteral("班的学生总数超过100人,你不能使用这种方法编写考号!");
}

// The students of each class, by class, in stored order.
QHash<QString, std::vector<const StudentRow*>> studentsByClass(const School& school) {
    QHash<QString, std::vector<const StudentRow*>> out;
    for (const StudentRow& s : school.students)
        out[classKey(s.grade, s.cls)].push_back(&s);
    return out;
}

std::vector<const ClassRow*> sortedClasses(const School& school) {
    std::vector<const ClassRow*> out;
    for (const ClassRow& c : school.classes)
        out.push_back(&c);
    stableSort(out, [](const ClassRow* a, const ClassRow* b) {
        const int g = platform::db::compareText(a->grade, b->grade);
        return g != 0 ? g < 0 : platform::db::compareText(a->cls, b->cls) < 0;
    });
    return out;
}

// Orders students by keys drawn one per student in the order given; equal keys keep that order.
std::vector<const StudentRow*> shuffled(const std::vector<const StudentRow*>& students, RandomSource& random,
                                        double scale) {
    std::vector<std::pair<float, const StudentRow*>> keyed;
    keyed.reserve(students.size());
    for (const StudentRow* s : students)
        keyed.push_back({float(random.next() * scale), s});   // the key is held as a Single
    stableSort(keyed, [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<const StudentRow*> out;
    out.reserve(keyed.size());
    for (const auto& k : keyed)
        out.push_back(k.second);
    return out;
}

SeatedStudent seated(const StudentRow& s, std::pair<int, int> at, const Composition& parts) {
    SeatedStudent out;
    out.rowid = s.rowid;
    out.grade = s.grade;
    out.cls = s.cls;
    out.name = s.name;
    out.room = at.first;
    out.seat = at.second;
    out.examNumber = ExamNumberFormat(parts, s.grade, s.cls, at.first, at.second);
    return out;
}

Refusal tooHighRoom() {
    return {QStringLiteral("考室的号码不能超过999,请从较小的考室号码开始编写,或者让每一考室多坐一些人!"), kHint};
}

void planClassByClass(const School& school, const BuildRequest& r, RandomSource& random, Plan& plan) {
    const auto byClass = studentsByClass(school);
    const auto classes = sortedClasses(school);
    plan.classCount = int(school.classes.size());

    auto handled = [&](const ClassRow& c) {
        return (r.targetGrade.isEmpty() || same(c.grade, r.targetGrade)) &&
               (r.targetClass.isEmpty() || same(c.cls, r.targetClass));
    };
    // Kept sizes give a class one room: a class that does not fit 99 seats is refused
    // before anything is drawn or written.
    if (!r.roomSize) {
        for (const ClassRow* c : classes) {
            if (handled(*c) && byClass.value(classKey(c->grade, c->cls)).size() > size_t(kLastSeat)) {
                plan.refusal = Refusal{tooManyMessage(c->grade, c->cls), kHint};
                return;
            }
        }
    }

    Seating seating(r.startRoom);
    for (const ClassRow* c : classes) {
        if (!r.targetGrade.isEmpty() && !same(c->grade, r.targetGrade))
            continue;
        seating.enterGrade(c->grade);
        if (!r.targetClass.isEmpty() && !same(c->cls, r.targetClass))
            continue;
        std::vector<const StudentRow*> students = byClass.value(classKey(c->grade, c->cls));
        if (r.method == CrossingMethod::InClassOrder)
            stableSort(students, [](const StudentRow* a, const StudentRow* b) {
                return platform::db::compareText(a->number, b->number) < 0;
            });
        else
            students = shuffled(students, random, 1.0);
        const double size = r.roomSize ? *r.roomSize : double(students.size());
        bool first = true;
        for (const StudentRow* s : students) {
            plan.seats.push_back(seated(*s, seating.place(size), r.parts));
            plan.seats.back().startsClass = first;
            first = false;
        }
    }
    plan.lastRoom = seating.lastRoom();
    if (seating.highestRoom() > kLastRoom)
        plan.refusal = tooHighRoom();
}

void planGradeCrossed(const School& school, const BuildRequest& r, RandomSource& random, Plan& plan) {
    if (!r.targetClass.isEmpty()) {
        plan.refusal = Refusal{QStringLiteral("对不起，对于只有一个班的情况下，你不能使用“全年级交叉”！"), kHint};
        return;
    }
    std::vector<const GradeRow*> grades;
    for (const GradeRow& g : school.grades)
        if (r.targetGrade.isEmpty() || same(g.grade, r.targetGrade))
            grades.push_back(&g);
    stableSort(grades, [](const GradeRow* a, const GradeRow* b) {
        return platform::db::compareText(a->grade, b->grade) < 0;
    });
    if (grades.empty()) {
        plan.nothingToNumber = true;
        return;
    }
    if (r.targetGrade.isEmpty())
        plan.gradeCount = int(school.grades.size());
    plan.classCount = int(school.classes.size());

    const auto byClass = studentsByClass(school);
    const auto classes = sortedClasses(school);
    auto classesOf = [&](const QString& grade) {
        std::vector<const ClassRow*> out;
        for (const ClassRow* c : classes)
            if (same(c->grade, grade))
                out.push_back(c);
        return out;
    };
    // A class too large for one room stops the whole build: look before drawing anything.
    for (const GradeRow* g : grades)
        for (const ClassRow* c : classesOf(g->grade))
            if (byClass.value(classKey(c->grade, c->cls)).size() > size_t(kLastSeat)) {
                plan.refusal = Refusal{tooManyMessage(c->grade, c->cls), kHint};
                return;
            }

    Seating seating(r.startRoom);
    for (const GradeRow* g : grades) {
        const auto gradeClasses = classesOf(g->grade);
        std::vector<std::vector<const StudentRow*>> orders;
        std::vector<int> sizes;
        for (const ClassRow* c : gradeClasses) {
            orders.push_back(shuffled(byClass.value(classKey(c->grade, c->cls)), random, 1.0));
            sizes.push_back(int(orders.back().size()));
        }
        std::vector<const StudentRow*> order;
        if (gradeClasses.size() == 1) {
            order = shuffled(byClass.value(classKey(gradeClasses[0]->grade, gradeClasses[0]->cls)), random, 100.0);
        } else if (gradeClasses.size() > 1) {
            const std::vector<int> picks = InterleaveGrade(sizes);
            std::vector<size_t> taken(orders.size(), 0);
            for (int k : picks)
                order.push_back(orders[k][taken[k]++]);
            std::reverse(order.begin(), order.end());
        }
        // Students whose class has no row in 班级表 are left as they are, as the
        // class-by-class methods leave them.
        seating.enterGrade(g->grade);
        for (const StudentRow* s : order) {
            double size;
            if (r.roomSize) {
                size = *r.roomSize;
            } else {
                // The rooms of the grade level take the sizes of its classes in turn.
                const int k = std::min(seating.roomOfGrade(), int(sizes.size()) - 1);
                size = sizes[k];
            }
            plan.seats.push_back(seated(*s, seating.place(size), r.parts));
        }
    }
    plan.lastRoom = seating.lastRoom();
    if (seating.highestRoom() > kLastRoom)
        plan.refusal = tooHighRoom();
}

QString targetText(const BuildRequest& r) {
    return r.targetClass.isEmpty() ? r.targetGrade + QStringLiteral("级")
                                   : classLabel(r.targetGrade, r.targetClass);
}

// A partial build must name a grade level or class that has classes to number.
bool targetExists(const School& school, const BuildRequest& r) {
    for (const ClassRow& c : school.classes)
        if (same(c.grade, r.targetGrade) && (r.targetClass.isEmpty() || same(c.cls, r.targetClass)))
            return true;
    return false;
}

int leadingInt(const QString& text) {
    return int(std::clamp<int64_t>(platform::leadingWholeNumber(text), -32768, 32767));
}

} // namespace

std::vector<int> InterleaveGrade(const std::vector<int>& classSizes) {
    std::vector<int> left = classSizes;
    int n = std::accumulate(left.begin(), left.end(), 0);
    std::vector<int> picks;
    picks.reserve(size_t(std::max(n, 0)));
    int last = 1;
    auto largest = [&](int except) {
        int best = -1;
        for (int i = 0; i < int(left.size()); ++i)
            if (i != except && left[i] > 0 && (best < 0 || left[i] > left[best]))
                best = i;
        return best;
    };
    while (n > 0) {
        const int leading = largest(-1);
        int pick = leading;
        if (leading == last) {
            const int other = largest(leading);
            if (other >= 0)
                pick = other;
        }
        picks.push_back(pick);
        --left[pick];
        --n;
        last = pick;
    }
    return picks;
}

School readSchool(Database& db) {
    School s;
    for (const auto& row : db.query(QStringLiteral("select rowid, 年级 from 年级表 order by rowid")))
        s.grades.push_back({row[0].toLongLong(), row[1].toString()});
    for (const auto& row : db.query(QStringLiteral("select rowid, 年级, 班 from 班级表 order by rowid")))
        s.classes.push_back({row[0].toLongLong(), row[1].toString(), row[2].toString()});
    const auto rows = db.query(QStringLiteral("select rowid, STID, 年级, 班, 姓名, 学号 from 成绩表 order by rowid"));
    s.students.reserve(rows.size());
    for (const auto& row : rows)
        s.students.push_back({row[0].toLongLong(), row[1].toString(), row[2].toString(), row[3].toString(),
                              row[4].toString(), row[5].toString()});
    return s;
}

Purge PurgeEmptyClassesAndGrades(const School& school) {
    Purge p;
    if (school.classes.empty())
        return p;   // grade levels are not looked at then
    QSet<QString> peopled;
    for (const StudentRow& s : school.students)
        peopled.insert(classKey(s.grade, s.cls));
    QSet<QString> gradesLeft;
    for (const ClassRow& c : school.classes) {
        if (peopled.contains(classKey(c.grade, c.cls))) {
            gradesLeft.insert(folded(c.grade));
        } else {
            p.classRows.push_back(c.rowid);
            p.messages << c.grade + QStringLiteral("级") + c.cls + QStringLiteral("班 的学生总数为零,系统会自动将它删除");
        }
    }
    for (const GradeRow& g : school.grades) {
        if (!gradesLeft.contains(folded(g.grade))) {
            p.gradeRows.push_back(g.rowid);
            p.messages << g.grade + QStringLiteral("级一个班也没有,系统会自动将这个年级删除");
        }
    }
    return p;
}

School withoutPurged(School school, const Purge& purge) {
    auto drop = [](auto& rows, const std::vector<qint64>& gone) {
        rows.erase(std::remove_if(rows.begin(), rows.end(),
                                  [&](const auto& r) {
                                      return std::find(gone.begin(), gone.end(), r.rowid) != gone.end();
                                  }),
                   rows.end());
    };
    drop(school.classes, purge.classRows);
    drop(school.grades, purge.gradeRows);
    return school;
}

Plan planBuild(const School& school, const BuildRequest& request, RandomSource& random) {
    Plan plan;
    if (request.method == CrossingMethod::GradeCrossed)
        planGradeCrossed(school, request, random, plan);
    else
        planClassByClass(school, request, random, plan);
    if (plan.refusal)
        plan.seats.clear();
    return plan;
}

std::optional<int> startRoomFromAnswer(const QString& answer) {
    const int64_t room = platform::leadingWholeNumber(answer);
    if (room == 0)
        return 1;
    if (room < 1 || room > kLastRoom)
        return std::nullopt;
    return int(room);
}

std::optional<double> roomSizeFromText(const QString& text) {
    const QString t = platform::trimBlanks(text);
    if (t == kKeepClassSizes)
        return std::nullopt;
    return platform::leadingNumber(t);
}

BuildRequest targetFromText(const QString& text) {
    BuildRequest r;
    r.targetGrade = gradeOfLabel(text);
    if (isClassLabel(text))
        r.targetClass = classOfLabel(text);
    return r;
}

QStringList roomSizeItems() {
    QStringList items{kKeepClassSizes};
    for (int n = 10; n <= 30; ++n)
        items << QString::number(n);
    return items;
}

QStringList targetItems(Database& db) {
    QStringList items;
    for (const auto& row : db.query(QStringLiteral("select 年级 from 年级表 order by rowid")))
        items << gradeLabel(row[0].toString());
    for (const auto& row : db.query(QStringLiteral("select 年级, 班 from 班级表 order by rowid")))
        items << classLabel(row[0].toString(), row[1].toString());
    return items;
}

std::optional<CrossingMethod> crossingMethodFromText(const QString& text) {
    if (text == QLatin1String("1"))
        return CrossingMethod::InClassOrder;
    if (text == QLatin1String("2"))
        return CrossingMethod::ClassCrossed;
    if (text == QLatin1String("3"))
        return CrossingMethod::GradeCrossed;
    return std::nullopt;
}

BuildResult buildExamNumbers(Database& db, const SettingsRows& settings, const BuildChoices& choices,
                             RandomSource& random, const BuildUi& ui) {
    const auto& progress = ui.progress;
    auto tell = [&](const QString& text, const QString& title) {
        if (ui.message)
            ui.message(text, title);
    };
    auto show = [&](const QString& text) {
        if (progress)
            progress(text);
    };

    BuildRequest request;
    if (choices.partial)
        request = targetFromText(choices.target);
    request.method = choices.method;
    request.parts = choices.parts;

    if (settings.value(Setting::ExamCardsPrinted) == QStringLiteral("是")) {
        tell(QStringLiteral("您的考号好象已经打印过了,不能再次编写,否则您以前打印的考号将全部作废,"
                            "如果您确实要重新编写,请单击菜单中的'特殊',然后再单击'重新编写考号'"),
             QStringLiteral("重要提示"));
        return BuildResult::Refused;
    }
    request.roomSize = roomSizeFromText(choices.roomSizeText);
    if (request.roomSize && *request.roomSize > kLastSeat) {
        tell(QStringLiteral("每一考室中最多只能坐99人"), QStringLiteral("人数太多"));
        return BuildResult::Refused;
    }
    if (choices.partial) {
        const auto start = startRoomFromAnswer(choices.startRoomAnswer);
        if (!start) {
            tell(QStringLiteral("考室的号码只能从1到999,请重新输入开始的考室号码!"), kHint);
            return BuildResult::Refused;
        }
        request.startRoom = *start;
    }

    const School school = readSchool(db);
    const Purge purge = PurgeEmptyClassesAndGrades(school);
    const School left = withoutPurged(school, purge);
    Plan plan;
    if (choices.partial && request.method == CrossingMethod::GradeCrossed && !request.targetClass.isEmpty()) {
        plan = planBuild(left, request, random);   // refuses a class for itself
    } else if (choices.partial && !targetExists(left, request)) {
        plan.refusal = Refusal{QStringLiteral("对不起，没有找到“") + targetText(request) +
                                   QStringLiteral("”，请选择本校的一个年级或者一个班！"),
                               kHint};
    } else {
        plan = planBuild(left, request, random);
    }
    if (plan.refusal) {
        tell(plan.refusal->text, plan.refusal->title);
        return BuildResult::Refused;
    }

    show(kBusy);
    for (const QString& m : purge.messages)
        tell(m, platform::kSpacedPromptTitle);

    try {
        platform::db::Transaction t(db);
        for (qint64 row : purge.classRows)
            db.deleteRow(table::Classes, row);
        for (qint64 row : purge.gradeRows)
            db.deleteRow(table::Grades, row);
        if (!plan.nothingToNumber) {
            // The fields are looked up once, not for each of thousands of rows.
            const platform::db::TableDef* scores = db.findTable(table::Scores);
            if (!scores)
                throw DbError(DbError::NoSuchTable, QStringLiteral("找不到表: 成绩表"));
            std::vector<int> fields;
            for (const QString& name : {QStringLiteral("考号"), QStringLiteral("考室"), QStringLiteral("座位")}) {
                const auto& all = scores->fields;
                const auto at = std::find_if(all.begin(), all.end(), [&](const auto& f) { return f.name == name; });
                if (at == all.end())
                    throw DbError(DbError::NoSuchField, QStringLiteral("找不到字段: %1").arg(name));
                fields.push_back(int(at - all.begin()));
            }
            std::vector<QVariant> values(3);
            for (const SeatedStudent& s : plan.seats) {
                if (progress) {
                    const QString label = classLabel(s.grade, s.cls);
                    if (s.startsClass)
                        progress(kBusy + label);
                    progress(QStringLiteral("正在编写") + label + s.name);
                }
                values[0] = Database::checkedValue(scores->fields[fields[0]], s.examNumber);
                values[1] = Database::checkedValue(scores->fields[fields[1]], RoomCode(s.room));
                values[2] = Database::checkedValue(scores->fields[fields[2]], SeatCode(s.seat));
                db.updateChecked(*scores, s.rowid, fields, values);
            }
            show(QStringLiteral("正在完成后继工作..."));
            db.execute(QStringLiteral("update 成绩表 set 总分 = null"));
        }
        t.commit();
    } catch (const DbError& e) {
        tell(QStringLiteral("编写考号时数据库出错,所有改动都已撤消:\n") + e.text(), platform::kErrorTitle);
        return BuildResult::Failed;
    }
    if (plan.nothingToNumber)
        return BuildResult::Stopped;

    show(QString());
    tell(QStringLiteral("考号编写完成!"), platform::kDoneTitle);

    ProgramState& s = state();
    settings.store(Setting::ExamNumberCrossing, QString::number(int(request.method)));
    settings.store(Setting::ExamNumberParts, compositionFlags(request.parts));
    const int before = leadingInt(settings.value(Setting::ExamRoomCount));
    if (!request.partial() || plan.lastRoom > before)
        settings.store(Setting::ExamRoomCount, QString::number(plan.lastRoom));
    s.ExamRoomCount = int16_t(leadingInt(settings.value(Setting::ExamRoomCount)));
    const int length = examNumberLength(request.parts);
    settings.store(Setting::ExamNumberLength, QString::number(length));
    s.ExamNumberLength = int16_t(length);
    s.ClassCount = int16_t(plan.classCount);
    if (plan.gradeCount)
        s.GradeCount = int16_t(*plan.gradeCount);
    return BuildResult::Completed;
}

} // namespace examno
