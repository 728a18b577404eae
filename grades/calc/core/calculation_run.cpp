#include "grades/calc/core/calculation_run.h"

#include "common/program_state.h"
#include "common/schema.h"
#include "common/settings_files.h"
#include "grades/calc/core/calculation_log.h"
#include "grades/calc/core/calculation_stages.h"
#include "grades/calc/core/formula.h"
#include "grades/calc/core/student_rows.h"
#include "grades/calc/core/teacher_stage.h"
#include "grades/calc/core/written_tables.h"
#include "platform/text/system_errors.h"
#include "platform/text/values.h"
#include "platform/text/whole_file.h"
#include "platform/text/message_titles.h"

#include <QFileInfo>
#include <QScopeGuard>
#include <algorithm>
#include <future>
#include <optional>
#include <system_error>

namespace {

const QString& kHint = platform::kPromptTitle;
const QString& kError = platform::kPlainErrorTitle;

QString confirmationText() {
    const QString crlf = QStringLiteral("\r\n");
    return QStringLiteral("由于计算时会牵涉到修改许多共享数据,为了确保计算顺利完成,在计算这前,请首先确定以下几个问题:") +
           crlf + crlf + QStringLiteral("    1.各科总分设置正确.教师的情况也准确的录入.") + crlf +
           QStringLiteral("    2.所有的成绩都输入完成.") + crlf +
           QStringLiteral("    3.网络上不再有其它电脑正在使用本系统(包括本系统产生的数据库).") + crlf +
           QStringLiteral("    4.计算时所要求的各种设置已完全正确.") + crlf + crlf +
           QStringLiteral("  你确实要开始计算了吗?") + crlf;
}

CalculationRun::TaskStart& taskStart() {
    static CalculationRun::TaskStart start;
    return start;
}

// The task on a thread of its own; when the system gives no thread, on this
// one when its result is asked for.
std::future<bool> beside(const std::function<bool()>& task) {
    try {
        if (taskStart())
            return taskStart()(task);
        return std::async(std::launch::async, task);
    } catch (const std::system_error&) {
        return std::async(std::launch::deferred, task);
    }
}

// The panel's lock while the run writes. Any way out of the run, an
// exception included, leaves the panel usable.
class PanelLock {
public:
    explicit PanelLock(CalculationHost& host) : host_(host) { host_.lock(); }
    ~PanelLock() {
        try {
            release();
        } catch (...) {
            // Unlocking only enables controls again; the run's own end stands.
        }
    }
    PanelLock(const PanelLock&) = delete;
    PanelLock& operator=(const PanelLock&) = delete;
    void release() {
        if (held_) {
            held_ = false;
            host_.unlock();
        }
    }

private:
    CalculationHost& host_;
    bool held_ = true;
};

} // namespace

void CalculationRun::setTaskStart(TaskStart start) { taskStart() = std::move(start); }

const QString CalculationRun::kLogName = QStringLiteral("记算过程中产生的数据.txt");

QString CalculationRun::logPath() { return programFolder() + QLatin1Char('/') + kLogName; }

CalculationRun::CalculationRun(std::shared_ptr<platform::db::Database> db, CalculationInputs inputs,
                               CalculationHost& host, FormulaTest formulaTest)
    : db_(std::move(db)), inputs_(std::move(inputs)), host_(host), formulaTest_(std::move(formulaTest)),
      log_(std::make_unique<CalculationLog>()) {}

CalculationRun::~CalculationRun() = default;

void CalculationRun::keepWritten(std::unique_ptr<WrittenTables> tables) { written_ = std::move(tables); }

void CalculationRun::say(const QString& text, const QString& title) {
    host_.message(text, RunButtons::Ok, title, RunAnswer::Ok);
}

bool CalculationRun::poll() { return host_.stopRequested(); }

void CalculationRun::progressStep(float total) {
    progressCount_ += 1;
    // Deleted students can carry the count past the total; a total of 0 (the
    // last student deleted) shows a full bar.
    const float share = total > 0 ? std::min(1.0f, progressCount_ / total) : 1.0f;
    host_.progress(share);
}

void CalculationRun::stageChange(int label) {
    progressCount_ = 0;
    host_.stageChanged(label);
}

// Steps 4 to 6 and the subject layout: every refusal comes before anything is
// locked or written.
bool CalculationRun::tests() {
    excellent_ = platform::LeadingNumber(inputs_.excellentLine);
    pass_ = platform::LeadingNumber(inputs_.passLine);
    poor_ = float(platform::LeadingNumber(inputs_.poorLine));
    if (excellent_ < pass_) {
        say(QStringLiteral("优生分数线不能小于及格分数线!"), kError);
        return false;
    }
    if (pass_ < poor_) {
        say(QStringLiteral("及格分数线不能小于差生分数线!"), kError);
        return false;
    }
    if (inputs_.previousTerm) {
        if (platform::trimBlanks(inputs_.previousTermPath).isEmpty()) {
            say(QStringLiteral("请您指出的上期成绩库所在的路径."), kHint);
            return false;
        }
        if (const int e = platform::plainFileState(inputs_.previousTermPath); e == platform::kNotAPlainFile) {
            say(platform::cannotOpenFileText(inputs_.previousTermPath, e), kHint);
            return false;
        }
        if (!QFileInfo(inputs_.previousTermPath).isFile()) {
            say(QStringLiteral("您指出的上期成绩库不存在,请检查路径是否正确."), kHint);
            return false;
        }
    } else {
        // Case-sensitive and anywhere in the text, names of functions included.
        for (const QString& f : inputs_.formulas)
            for (QChar c : {u'w', u'x', u'y', u'z'})
                if (f.contains(c)) {
                    say(QStringLiteral("你不计算提高率,但却在计算式中使用了上学期的参数"), kHint);
                    return false;
                }
    }
    if (formulaTest_ && !formulaTest_(inputs_.formulas)) {
        say(QStringLiteral("您输入的考绩分计算式有误，请修改后重新计算。"), kHint);
        return false;
    }
    return subjectsMatch();
}

// The stages pair the full marks of 年级表 with the marks of the score tables
// by position; a table whose subjects stand elsewhere would scale the wrong
// marks, so it is refused before any of them is touched.
bool CalculationRun::subjectsMatch() {
    try {
        const auto grade = db_->tableDef(QStringLiteral("年级表")).fields;
        for (const QString& table : {QStringLiteral("成绩表"), QStringLiteral("绝对成绩表"), QStringLiteral("相对成绩表")}) {
            const auto score = db_->tableDef(table).fields;
            const int n = std::max(int(grade.size()) - 1, int(score.size()) - kFirstSubjectField);
            for (int k = 0; k < n; ++k) {
                const bool inGrade = k + 1 < int(grade.size());
                const bool inScore = kFirstSubjectField + k < int(score.size());
                if (inGrade && inScore && grade[k + 1].name == score[kFirstSubjectField + k].name)
                    continue;
                const QString subject = inGrade ? grade[k + 1].name : score[kFirstSubjectField + k].name;
                say(QStringLiteral("科目") + subject + QStringLiteral("在年级表和") + table +
                        QStringLiteral("中的位置不一致,无法计算.请检查数据库."),
                    kError);
                return false;
            }
        }
    } catch (const platform::db::DbError& e) {
        say(e.text(), kError);
        return false;
    }
    return true;
}

std::optional<bool> CalculationRun::previousTermWalked() {
    if (previousTermWalk_.valid())
        previousTermSound_ = previousTermWalk_.get();
    return previousTermSound_;
}

CalculationRun::End CalculationRun::run() {
    // 1-3
    host_.clearStopRequest();
    if (host_.message(confirmationText(), RunButtons::YesNo, kHint, RunAnswer::Yes) != RunAnswer::Yes)
        return End::Refused;
    host_.clearStages();
    if (!tests())
        return End::Refused;

    // 7-8
    progressCount_ = 0;
    PanelLock locked(host_);
    const float studentsBefore = state().StudentCount;
    std::optional<platform::db::Transaction> tx;
    try {
        tx.emplace(*db_);
    } catch (const platform::db::DbError& e) {
        say(e.text(), kError);
        return End::Failed;
    }
    const QString path = logPath();
    if (!log_->open(path)) {
        say(QStringLiteral("无法建立记录文件") + path + QStringLiteral(",计算没有进行.") + QStringLiteral("\r\n") +
                log_->errorText(),
            kError);
        return End::Failed;
    }
    // An exception that leaves the run rolls back its writes: the students
    // deleted on the way count again, and the old log stays.
    bool ended = false;
    const auto unwound = qScopeGuard([&] {
        if (ended)
            return;
        state().StudentCount = studentsBefore;
        log_->discard();
    });

    const qint64 writtenBefore = db_->rowsWritten();

    // The previous term's file, when it is another file, is only read: its
    // walk for damage goes on beside the first stages, on a connection of its
    // own that stays on that thread. The same file is walked by the stage, as
    // a reader beside this run's writes would make them wait. The engine's
    // heap limit of a typed query is the process's, and would bound the walk
    // too: none runs meanwhile, as the panel's lock holds every window that
    // could run one until the run ends.
    previousTermWalk_ = {};
    previousTermSound_.reset();
    if (inputs_.previousTerm && !inputs_.previousTermPath.isEmpty() &&
        QFileInfo(inputs_.previousTermPath).canonicalFilePath() != db_->path())
        previousTermWalk_ = beside([path = inputs_.previousTermPath, password = state().DatabasePassword] {
            return walkPreviousTerm(path, password);
        });

    // 9-11
    StageEnd end = StageEnd::Done;
    QString failure;
    try {
        StudentRows students;
        written_.reset();
        stageChange(0);
        end = checkMarks(*this, students);
        if (end == StageEnd::Done) {
            stageChange(1);
            end = buildScoreTables(*this, students);
        }
        if (end == StageEnd::Done && laterStage_)
            end = laterStage_(*this);
    } catch (const platform::db::DbError& e) {
        failure = e.text();
    }
    written_.reset();   // it points into the students' rows

    // Whatever the end, what was written so far is kept. The log takes the old
    // one's place while the engine commits: the waits for the disk overlap.
    auto logInPlace = beside([this] { return log_->close(); });
    bool committed = true;
    try {
        tx->commit();
    } catch (const platform::db::DbError& e) {
        committed = false;
        if (failure.isEmpty())
            failure = e.text();
    }
    const bool logged = logInPlace.get();
    tx.reset();
    // A failure at the first write (a read-only folder) commits nothing: no
    // message may say that data was kept then.
    const bool stored = committed && db_->rowsWritten() > writtenBefore;
    if (!stored)
        state().StudentCount = studentsBefore;
    ended = true;
    if (failure.isEmpty() && !logged)
        failure = QStringLiteral("记录文件") + path + QStringLiteral("没能写完整:") + log_->errorText();

    if (!failure.isEmpty()) {
        say(QStringLiteral("计算因数据库或文件出错而停止:") + QStringLiteral("\r\n") + failure + QStringLiteral("\r\n") +
                (stored ? QStringLiteral("出错以前算好的数据已经保存.") : QStringLiteral("没有任何数据能够保存.")),
            kError);
        return End::Failed;
    }
    switch (end) {
    case StageEnd::Done:
        say(QStringLiteral("计算完成! 如果您了解详细的计算过程中产生的各种数据,请参阅") + path +
                QStringLiteral(" 这一个文件."),
            kHint);
        return End::Completed;
    case StageEnd::Stopped:
        return End::Stopped;
    case StageEnd::Aborted:
        locked.release();
        host_.finishPanel();
        return End::Aborted;
    case StageEnd::FormulaFailed:
        say(calc::formulaFailureMessage(), kHint);
        return End::FormulaFailed;
    }
    return End::Completed;
}
