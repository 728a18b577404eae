// The teacher stage: figures over each teacher's assignments, the previous
// term's figures, the assessment score, and their lines in the log.
//
// The chosen score table and the previous term's table are each read once;
// an assignment takes the rows of its class in stored order, as a query for
// that class would return them, and a student of the previous term is found
// through a map. Grade, class and student are compared as values, and a
// subject is only ever resolved to a column of the table, so nothing typed in
// the teacher panel becomes part of an SQL text.

#include "grades/calc/core/teacher_stage.h"

#include "common/class_label.h"
#include "common/program_state.h"
#include "common/schema.h"
#include "grades/calc/core/calculation_log.h"
#include "grades/calc/core/formula.h"
#include "grades/calc/core/text_cache.h"
#include "grades/calc/core/written_tables.h"
#include "platform/db/database.h"
#include "platform/db/textorder.h"
#include "platform/db/statement.h"
#include "platform/script/engine.h"
#include "platform/text/number_text.h"
#include "platform/text/values.h"
#include "platform/text/message_titles.h"

#include <QHash>
#include <algorithm>
#include <bit>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

constexpr int kSlots = 20;

QString singleText(float v) { return platform::PlainNumberText(v, platform::Precision::Single); }

bool isNumeric(platform::db::FieldType t) {
    return t == platform::db::FieldType::Single || t == platform::db::FieldType::Double || t == platform::db::FieldType::Integer || t == platform::db::FieldType::Long;
}

struct Teacher {
    qint64 rowid = 0;
    QString name;
    std::array<QVariant, kSlots> labels, subjects;
};

// One column of marks, by row.
struct Marks {
    std::vector<float> value;
    std::vector<char> empty;
};

// The chosen table, read once.
struct ScoreRows {
    std::vector<QByteArray> stidKey;                  // folded, as UTF-8
    std::vector<char> stidEmpty;
    std::vector<QByteArray> stidText;                 // as the log writes it
    std::vector<int> previousRow;                     // the student's row last term, or -1
    std::vector<Marks> columns;                       // the subjects some teacher names
    std::unordered_map<int, int> columnOfField;       // field of the table -> column
    QHash<std::pair<QString, QString>, std::vector<int>> classRows;   // folded (年级, 班)
    std::vector<platform::db::FieldDef> fields;

    // The field a subject names as an SQL text would: blanks around it and
    // ASCII case ignored; -1 when it names none, or no number.
    int fieldOf(const QVariant& subject) const {
        if (subject.isNull())
            return -1;
        // Teachers name the same few subjects over and over.
        const QString text = subject.toString();
        const auto known = fieldOfSubject.constFind(text);
        if (known != fieldOfSubject.cend())
            return *known;
        int field = -1;
        const QString name = platform::db::equalityKey(platform::trimBlanks(text));
        for (int i = 0; i < int(fields.size()) && !name.isEmpty(); ++i)
            if (platform::db::equalityKey(fields[i].name) == name) {
                field = isNumeric(fields[i].type) ? i : -1;
                break;
            }
        fieldOfSubject.insert(text, field);
        return field;
    }
    mutable QHash<QString, int> fieldOfSubject;
};

// The previous term's table, read once; -1/none when a student or subject is not there.
struct PreviousTerm {
    QHash<QByteArray, int> firstRow;                  // folded STID (UTF-8) -> its first row
    QHash<QString, int> columnOf;                     // exact subject name -> column
    std::vector<Marks> columns;

    const Marks* column(const QVariant& subject) const {
        if (subject.isNull())
            return nullptr;
        auto it = columnOf.constFind(subject.toString());
        return it == columnOf.cend() ? nullptr : &columns[*it];
    }
};

std::vector<Teacher> readTeachers(platform::db::Database& db) {
    QString columns = QStringLiteral("rowid,姓名");
    for (int n = 1; n <= kSlots; ++n)
        columns += QStringLiteral(",任课班级%1,科目%1").arg(n);
    std::vector<Teacher> out;
    for (const QVariantList& row : db.query(QStringLiteral("SELECT %1 FROM 教师表 ORDER BY rowid").arg(columns))) {
        Teacher t;
        t.rowid = row[0].toLongLong();
        t.name = row[1].toString();
        for (int n = 0; n < kSlots; ++n) {
            t.labels[n] = row[2 + 2 * n];
            t.subjects[n] = row[3 + 2 * n];
        }
        out.push_back(std::move(t));
    }
    return out;
}

ScoreRows readScores(platform::db::Database& db, const QString& table, const std::vector<Teacher>& teachers) {
    ScoreRows s;
    s.fields = db.tableDef(table).fields;
    QString select = QStringLiteral("年级,班,STID");
    for (const Teacher& t : teachers)
        for (const QVariant& subject : t.subjects) {
            const int f = s.fieldOf(subject);
            if (f >= 0 && !s.columnOfField.count(f)) {
                s.columnOfField.emplace(f, int(s.columns.size()));
                s.columns.emplace_back();
                select += QLatin1Char(',') + platform::db::quoteName(s.fields[f].name);
            }
        }
    platform::db::Statement read(
        db, QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid").arg(select, platform::db::quoteName(table)));
    for (int r = 0; read.next(); ++r) {
        if (!read.isNull(0) && !read.isNull(1))
            s.classRows[{platform::db::equalityKey(read.text(0)), platform::db::equalityKey(read.text(1))}].push_back(r);
        const QByteArray id = read.utf8(2);
        s.stidEmpty.push_back(id.isNull());
        s.stidKey.push_back(platform::db::equalityKeyUtf8(id));
        s.stidText.push_back(CalculationLog::encodeUtf8(id));
        for (int c = 0; c < int(s.columns.size()); ++c) {
            Marks& m = s.columns[c];
            m.empty.push_back(read.isNull(3 + c));
            m.value.push_back(m.empty.back() ? 0.0f : float(read.number(3 + c)));
        }
    }
    return s;
}

// The same from the table as this run wrote it; none when a field it needs
// was not written (the teacher stage then reads the table).
std::optional<ScoreRows> writtenScores(const WrittenTable& w, std::vector<platform::db::FieldDef> fields,
                                       const std::vector<Teacher>& teachers) {
    // The engine names a field as equalityKey compares.
    auto written = [&w](const QString& name) {
        const QString key = platform::db::equalityKey(name);
        for (int p = 0; p < int(w.fields.size()); ++p)
            if (platform::db::equalityKey(w.fields[std::size_t(p)]) == key)
                return p;
        return -1;
    };
    const int grade = written(QStringLiteral("年级")), cls = written(QStringLiteral("班")),
              stid = written(QStringLiteral("STID"));
    if (std::min({grade, cls, stid}) < 0 || std::max({grade, cls, stid}) >= kCopiedFields)
        return std::nullopt;
    ScoreRows s;
    s.fields = std::move(fields);
    std::vector<int> numberOf;   // column -> its place among a row's numbers
    for (const Teacher& t : teachers)
        for (const QVariant& subject : t.subjects) {
            const int f = s.fieldOf(subject);
            if (f < 0 || s.columnOfField.count(f))
                continue;
            const int p = written(s.fields[std::size_t(f)].name);
            if (p < kCopiedFields)
                return std::nullopt;
            s.columnOfField.emplace(f, int(s.columns.size()));
            s.columns.emplace_back();
            numberOf.push_back(p - kCopiedFields);
        }
    const StudentRows& from = *w.source;
    const std::size_t rows = w.students.size();
    s.stidKey.reserve(rows);
    s.stidEmpty.reserve(rows);
    s.stidText.reserve(rows);
    for (Marks& m : s.columns) {
        m.value.reserve(rows);
        m.empty.reserve(rows);
    }
    // Grade levels and classes repeat: each text is folded once.
    QHash<QByteArray, QString> folded;
    auto key = [&folded](const QByteArray& cell) {
        auto it = folded.constFind(cell);
        if (it == folded.cend())
            it = folded.insert(cell, platform::db::equalityKey(QString::fromUtf8(cell)));
        return *it;
    };
    for (std::size_t r = 0; r < rows; ++r) {
        const int student = w.students[r];
        const QByteArray& g = from.field(student, grade);
        const QByteArray& c = from.field(student, cls);
        if (!g.isNull() && !c.isNull())
            s.classRows[{key(g), key(c)}].push_back(int(r));
        const QByteArray id = from.field(student, stid);
        s.stidEmpty.push_back(id.isNull());
        s.stidKey.push_back(platform::db::equalityKeyUtf8(id));
        s.stidText.push_back(CalculationLog::encodeUtf8(id));
        const std::optional<float>* values = w.values.data() + r * std::size_t(w.numbers);
        for (std::size_t col = 0; col < s.columns.size(); ++col) {
            Marks& m = s.columns[col];
            const std::optional<float>& v = values[numberOf[col]];
            m.empty.push_back(!v);
            m.value.push_back(v ? *v : 0.0f);
        }
    }
    return s;
}

// Opens the previous term's database only to read it; nullopt when it cannot
// serve (missing, not ours, another password, damaged, no such table, no rows).
// `walked` is the outcome of the walk the run made beside its first stages.
std::optional<PreviousTerm> readPreviousTerm(const QString& path, const QString& table,
                                             const std::vector<Teacher>& teachers, std::optional<bool> walked) {
    if (walked && !*walked)
        return std::nullopt;
    try {
        // Walked for damage as every file opened is, unless the run has walked
        // it: a plain read does not see all of it (a page listed twice, cells
        // that overlap) and the comparison would then take rows twice or miss them.
        const auto db = platform::db::Database::openReadOnly(path, state().DatabasePassword,
                                               walked ? platform::db::Database::DamageCheck::OnRead : platform::db::Database::DamageCheck::AtOpen);
        const auto fields = db->tableDef(table).fields;
        int stid = -1;
        for (int i = 0; i < int(fields.size()); ++i)
            if (platform::db::equalityKey(fields[i].name) == QLatin1String("stid")) {
                stid = i;
                break;
            }
        if (stid < 0)
            return std::nullopt;
        PreviousTerm p;
        QString select = platform::db::quoteName(fields[stid].name);
        for (int i = kFirstSubjectField; i < int(fields.size()); ++i) {
            const QString& name = fields[i].name;
            if (p.columnOf.contains(name))
                continue;
            bool named = false;
            for (const Teacher& t : teachers)
                for (const QVariant& subject : t.subjects)
                    named = named || (!subject.isNull() && subject.toString() == name);
            if (!named)
                continue;
            p.columnOf.insert(name, int(p.columns.size()));
            p.columns.emplace_back();
            select += QLatin1Char(',') + platform::db::quoteName(name);
        }
        platform::db::Statement read(
            *db, QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid").arg(select, platform::db::quoteName(table)));
        int r = 0;
        for (; read.next(); ++r) {
            // A repeated STID is found at its first row, as a search from the top finds it.
            const QByteArrayView id = read.utf8View(0);
            if (!id.isNull()) {
                const QByteArray key = platform::db::equalityKeyUtf8(QByteArray::fromRawData(id.data(), id.size()));
                if (!p.firstRow.contains(key))
                    p.firstRow.insert(QByteArray(key.constData(), key.size()), r);
            }
            for (int c = 0; c < int(p.columns.size()); ++c) {
                Marks& m = p.columns[c];
                m.empty.push_back(read.isNull(1 + c));
                m.value.push_back(m.empty.back() ? 0.0f : float(read.number(1 + c)));
            }
        }
        if (r == 0)
            return std::nullopt;
        return p;
    } catch (const platform::db::DbError&) {
        return std::nullopt;
    }
}

// A teacher's working figures; during the walk w holds the previous sum and
// x, y, z the previous pass, excellent and poor counts.
struct Figures {
    int a = 0, b = 0, c = 0, d = 0, e = 0;
    float f = 0, g = 10000, h = 0, total = 0;
    float w = 0, x = 0, y = 0, z = 0;
    bool wEmpty = false;
    int previousCount = 0;
};

class TeacherStage {
public:
    TeacherStage(CalculationRun& run, const ScoreTableRecorder& record)
        : run_(run), record_(record), db_(run.database()), log_(run.log()),
          formulas_(run.inputs().formulas),
          rules_{run.inputs().noNegativePart, run.inputs().noNegativeSum},
          table_(scoreTableOfScope(run.inputs().scope)) {}

    StageEnd walk();

private:
    StageEnd teacher(const Teacher& t);
    // A slot whose query cannot be made: before any formula was evaluated the
    // run ends like a stop and says which slot; after, the formula exit.
    StageEnd badSlot(const Teacher& t, const QVariant& label, const QVariant& subject, const QString& why);
    // Marks repeat: each text is made once.
    std::string_view number(float v) {
        return texts_.get(std::bit_cast<quint32>(v), [v](std::string& out) {
            char text[platform::kPlainNumberChars];
            out.append(text, std::size_t(platform::PlainNumberChars(v, platform::Precision::Single, text)));
        });
    }
    void line(const QString& text) {
        log_.write(text);
        log_.endLines(1);
    }

    CalculationRun& run_;
    const ScoreTableRecorder& record_;
    platform::db::Database& db_;
    CalculationLog& log_;
    calc::AssessmentFormulas formulas_;
    calc::NegativeRules rules_;
    platform::script::Engine engine_;
    QString table_;
    ScoreRows scores_;
    std::optional<PreviousTerm> previous_;
    bool armed_ = false;
    TextCache<quint32> texts_;
    std::optional<platform::db::Statement> store_;   // one teacher's row
};

StageEnd TeacherStage::badSlot(const Teacher& t, const QVariant& label, const QVariant& subject, const QString& why) {
    if (armed_)
        return StageEnd::FormulaFailed;
    run_.host().message(QStringLiteral("教师") + t.name + QStringLiteral("的任课班级\"") + label.toString() +
                            QStringLiteral("\"科目\"") + subject.toString() + QStringLiteral("\"无法统计:") + why +
                            QStringLiteral("\r\n计算已经停止,请在教师库中改正后重新计算."),
                        RunButtons::Ok, platform::kPlainErrorTitle, RunAnswer::Ok);
    return StageEnd::Stopped;
}

StageEnd TeacherStage::teacher(const Teacher& t) {
    Figures fig;
    std::vector<int> assignments;
    for (int n = 0; n < kSlots; ++n) {
        const QVariant& label = t.labels[n];
        if (!label.isNull() && !label.toString().isEmpty())
            assignments.push_back(n);
        if (run_.poll())
            return StageEnd::Stopped;
    }
    line(t.name);

    const double excellent = run_.excellentLine(), pass = run_.passLine();
    const float poor = run_.poorLine();
    static const std::vector<int> kNone;
    std::string bytes;   // a mark's log line
    auto add = [&bytes](const QByteArray& b) { bytes.append(b.constData(), std::size_t(b.size())); };
    for (int n : assignments) {
        const QString label = t.labels[n].toString();
        const QVariant& subject = t.subjects[n];
        if (label.size() < 3)
            return badSlot(t, t.labels[n], subject, QStringLiteral("班级写法不对"));
        const int field = scores_.fieldOf(subject);
        if (field < 0)
            return badSlot(t, t.labels[n], subject, table_ + QStringLiteral("中没有这一科"));
        const Marks& marks = scores_.columns[scores_.columnOfField.at(field)];
        auto found = scores_.classRows.constFind({platform::db::equalityKey(gradeOfLabel(label)), platform::db::equalityKey(classOfLabel(label))});
        const std::vector<int>& rows = found == scores_.classRows.cend() ? kNone : *found;
        const Marks* prev = previous_ ? previous_->column(subject) : nullptr;

        line(label + subject.toString() + QStringLiteral(" 本期共") + QString::number(rows.size()) +
             QStringLiteral("人           本期成绩/上期成绩"));
        for (int r : rows) {
            const float mark = marks.value[r];   // an empty mark counts as 0
            bytes = "  ";
            add(scores_.stidText[r]);
            bytes += "  ";
            bytes += number(mark);
            bytes += '/';
            if (prev && scores_.previousRow[r] >= 0) {
                const int at = scores_.previousRow[r];
                {
                    ++fig.previousCount;
                    if (prev->empty[at]) {
                        fig.wEmpty = true;
                    } else {
                        const float p = prev->value[at];
                        bytes += number(p);
                        if (double(p) >= excellent)
                            fig.y += 1;
                        if (double(p) >= pass)
                            fig.x += 1;
                        if (p < poor)
                            fig.z += 1;
                        fig.w += p;
                    }
                }
            }
            if (double(mark) >= excellent)
                ++fig.b;
            if (double(mark) >= pass)
                ++fig.c;
            if (mark < poor)
                ++fig.d;
            if (mark > fig.f)
                fig.f = mark;
            if (mark < fig.g)
                fig.g = mark;
            fig.total += mark;
            ++fig.e;
            bytes += "\r\n";
            log_.writeBytes(bytes);
            if (run_.poll())
                return StageEnd::Stopped;
        }
        if (run_.poll())
            return StageEnd::Stopped;
    }

    const bool comparing = previous_.has_value();
    if (!assignments.empty()) {
        line(QStringLiteral("上期人数:") + QString::number(fig.previousCount) + QStringLiteral("   上期总分:") +
             (fig.wEmpty ? QString() : singleText(fig.w)) + QStringLiteral("   上期优生人数:") + singleText(fig.y) +
             QStringLiteral("   上期及格人数:") + singleText(fig.x) + QStringLiteral("   上期差生人数:") + singleText(fig.z));
        fig.a = int(assignments.size());
        if (fig.e == 0) {
            fig.h = fig.w = fig.x = fig.y = fig.z = 0;
            fig.wEmpty = false;
        } else {
            fig.h = float(double(fig.total) / fig.e);
            if (comparing && fig.previousCount > 0 && !fig.wEmpty && fig.w > 0) {
                const double n = fig.previousCount;
                fig.w = float(fig.w / n);
                fig.x = float(fig.x / n);
                fig.y = float(fig.y / n);
                fig.z = float(fig.z / n);
            } else {
                fig.w = fig.h;
                fig.x = float(double(fig.c) / fig.e);
                fig.y = float(double(fig.b) / fig.e);
                fig.z = float(double(fig.d) / fig.e);
                fig.wEmpty = false;
            }
        }
        line(QStringLiteral("上期平均分:") + singleText(fig.w) + QStringLiteral("   上期优生率:") + singleText(fig.y) +
             QStringLiteral("   上期及格率:") + singleText(fig.x) + QStringLiteral("   上期差生率:") + singleText(fig.z));
    }
    line(QStringLiteral("任课班数:") + QString::number(fig.a) + QStringLiteral("   优生人数:") + QString::number(fig.b) +
         QStringLiteral("   及格人数:") + QString::number(fig.c) + QStringLiteral("   差生人数:") +
         QString::number(fig.d) + QStringLiteral("   学生总数:") + QString::number(fig.e) +
         QStringLiteral("   最高分:") + singleText(fig.f) + QStringLiteral("   最低分:") + singleText(fig.g) +
         QStringLiteral("   平均分:") + singleText(fig.h) + QStringLiteral("   总分:") + singleText(fig.total));

    QVariantList row(15);
    if (fig.e > 0) {
        armed_ = true;
        calc::FormulaFigures figures;
        figures.a = fig.a, figures.b = fig.b, figures.c = fig.c, figures.d = fig.d, figures.e = fig.e;
        figures.f = fig.f, figures.g = fig.g, figures.h = fig.h;
        figures.w = fig.w, figures.x = fig.x, figures.y = fig.y, figures.z = fig.z;
        // Each part is logged as it is evaluated: a failing part leaves those before it.
        const calc::AssessmentOutcome outcome =
            formulas_.evaluate(engine_, figures, rules_, [this](const QString& text) { log_.write(text); });
        if (!outcome.ok())
            return StageEnd::FormulaFailed;
        log_.endLines(1);
        row = {outcome.score.stored(), fig.a, fig.e, fig.d, fig.c, fig.b, fig.total, fig.h, fig.f, fig.g,
               QVariant(), QVariant(), QVariant(), QVariant(), t.rowid};
        if (comparing) {
            row[10] = fig.w;
            row[11] = fig.x;
            row[12] = fig.y;
            row[13] = fig.z;
        }
    }
    row[14] = t.rowid;

    if (run_.poll())
        return StageEnd::Stopped;
    log_.endLines(2);
    // Moving on stores the teacher: a stop above leaves his row as it was.
    if (!store_)
        store_.emplace(db_, QStringLiteral("UPDATE OR FAIL 教师表 SET 考绩分=?,任课班数=?,学生总数=?,差生人数=?,"
                                           "及格人数=?,优生人数=?,总分=?,平均分=?,最高分=?,最低分=?,上期平均分=?,"
                                           "上期及格率=?,上期优生率=?,上期差生率=? WHERE rowid=?"));
    for (int i = 0; i < int(row.size()); ++i)
        store_->bind(i + 1, row[i]);
    store_->run();
    return StageEnd::Done;
}

StageEnd TeacherStage::walk() {
    line(QStringLiteral("教师情况"));
    line(QStringLiteral("你选择的库是:") + table_);

    const std::vector<Teacher> teachers = readTeachers(db_);
    const WrittenTable* written = run_.written() ? run_.written()->find(table_) : nullptr;
    std::optional<ScoreRows> kept = written ? writtenScores(*written, db_.tableDef(table_).fields, teachers) : std::nullopt;
    scores_ = kept ? std::move(*kept) : readScores(db_, table_, teachers);
    if (run_.inputs().previousTerm) {
        previous_ = readPreviousTerm(run_.inputs().previousTermPath, table_, teachers, run_.previousTermWalked());
        if (!previous_) {
            run_.host().message(previousTermUnusableMessage(), RunButtons::Ok, platform::kPromptTitle, RunAnswer::Ok);
            run_.host().untick(QStringLiteral("Check55"));
        } else {
            // A student is looked up once, however many assignments he is in.
            scores_.previousRow.assign(scores_.stidKey.size(), -1);
            for (std::size_t r = 0; r < scores_.stidKey.size(); ++r)
                if (!scores_.stidEmpty[r])
                    scores_.previousRow[r] = previous_->firstRow.value(scores_.stidKey[r], -1);
        }
    }

    const float total = float(teachers.size());
    for (const Teacher& t : teachers) {
        try {
            const StageEnd end = teacher(t);
            if (end != StageEnd::Done)
                return end;
        } catch (const platform::db::DbError&) {
            if (armed_)
                return StageEnd::FormulaFailed;
            throw;
        }
        run_.progressStep(total);
    }
    try {
        if (record_)
            record_(table_);
    } catch (const platform::db::DbError&) {
        if (armed_)
            return StageEnd::FormulaFailed;
        throw;
    }
    return StageEnd::Done;
}

} // namespace

bool walkPreviousTerm(const QString& path, const QString& password) {
    try {
        platform::db::Database::openReadOnly(path, password);
        return true;
    } catch (const platform::db::DbError&) {
        return false;
    }
}

QString scoreTableOfScope(int scope) {
    return scope == 1 ? table::Scores : scope == 3 ? table::RelativeScores : table::AbsoluteScores;
}

QString previousTermUnusableMessage() {
    return QStringLiteral("你指定的上期成绩库中没有系统计算时需要的数据,系统自动放弃对提高率的计算!");
}

CalculationRun::LaterStage teacherStage(ScoreTableRecorder recordTable) {
    return [record = std::move(recordTable)](CalculationRun& run) {
        TeacherStage stage(run, record);
        return stage.walk();
    };
}
