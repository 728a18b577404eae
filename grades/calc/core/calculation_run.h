#pragma once
// The calculation behind 开始计算: it confirms, tests the score lines and the
// formulas, checks every mark against its full mark, writes totals and
// averages, rebuilds 绝对成绩表 and 相对成绩表 and keeps a log of the figures.
// It needs no window: the panel hands it a snapshot of its inputs and a host
// that shows the prompts, the stage labels and the progress bar, and answers
// the stop polls.

#include "platform/db/database.h"

#include <future>
#include <optional>
#include <QString>
#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <vector>

class CalculationLog;
struct WrittenTables;

// What the run reads of the panel, as it stands when 开始计算 is pressed.
struct CalculationInputs {
    QString excellentLine = QStringLiteral("80");   // Te51(0..2), as typed
    QString passLine = QStringLiteral("60");
    QString poorLine = QStringLiteral("40");
    std::array<QString, 4> formulas{QStringLiteral("(h-30)/3"), QStringLiteral("(c/a-0.1)*100"),
                                    QStringLiteral("(b/a)*100+(c/a-j)*100"), QStringLiteral("0")};
    bool askZeroMark = false;          // Check51
    bool askZeroTotal = true;          // Check52
    bool noNegativeSum = false;        // Check53
    bool noNegativePart = true;        // Check54
    int scope = 2;                     // Option51..53
    bool previousTerm = false;         // Check55
    QString previousTermPath;          // Te53
};

// The buttons of a message the run shows, and the answer.
enum class RunButtons { Ok, YesNo, YesNoCancel };
enum class RunAnswer { Ok, Yes, No, Cancel };

// The window side of a run. The panel implements it over its controls; tests
// script it.
class CalculationHost {
public:
    virtual ~CalculationHost() = default;
    // A stop poll: true when 停止计算 was pressed. The host may let the event
    // loop run here; the run does nothing else between polls.
    virtual bool stopRequested() = 0;
    // A new run starts with the stop flag down.
    virtual void clearStopRequest() = 0;
    // The share of the stage done, 0 to 1.
    virtual void progress(float share) = 0;
    // Lab51(label) takes the highlight; the bar starts again from empty.
    virtual void stageChanged(int label) = 0;
    // Takes the highlight of an earlier run off every stage label.
    virtual void clearStages() = 0;
    // Unticks Check51, Check52 or Check55 (given by that name).
    virtual void untick(const QString& checkBox) = 0;
    virtual void lock() = 0;
    virtual void unlock() = 0;
    // The finishing work of the visible panel and the home panel, after an abort.
    virtual void finishPanel() = 0;
    // Modal message and input boxes. `defaultButton` is the one Enter presses.
    virtual RunAnswer message(const QString& text, RunButtons buttons, const QString& title,
                              RunAnswer defaultButton) = 0;
    virtual QString input(const QString& prompt, const QString& title, const QString& defaultText) = 0;
};

// Tries the four formula parts on the sample values; false when one fails.
using FormulaTest = std::function<bool(const std::array<QString, 4>& formulas)>;

// How a stage ended.
// FormulaFailed: the teacher stage's exit once formulas have been evaluated;
// the run ends like a stop after the formula message.
enum class StageEnd { Done, Stopped, Aborted, FormulaFailed };

class CalculationRun {
public:
    enum class End {
        Refused,      // ended before anything was locked or written
        Completed,
        Stopped,
        Aborted,      // the too-high prompt was left empty
        Failed,       // the database or the log failed; what could be kept is kept
        FormulaFailed,  // a teacher's assessment (or anything after it) failed
    };

    // The stage that follows the score tables (the teacher figures). It works
    // through the run's services and may throw platform::db::DbError.
    using LaterStage = std::function<StageEnd(CalculationRun& run)>;

    CalculationRun(std::shared_ptr<platform::db::Database> db, CalculationInputs inputs,
                   CalculationHost& host, FormulaTest formulaTest);
    ~CalculationRun();
    CalculationRun(const CalculationRun&) = delete;
    CalculationRun& operator=(const CalculationRun&) = delete;

    void setLaterStage(LaterStage stage) { laterStage_ = std::move(stage); }

    // Rows the stages hand to the engine in one statement: starting and
    // ending a statement costs as much as a row. With one a statement each
    // row is written by itself, the reference the batches must equal.
    static constexpr int kRowsAStatement = 32;
    void setRowsAStatement(int rows) { rowsAStatement_ = std::max(rows, 1); }
    int rowsAStatement() const { return rowsAStatement_; }

    // The whole of 开始计算, from the confirmation to the completion message.
    End run();

    // Services of the run for its stages.
    platform::db::Database& database() { return *db_; }
    const CalculationInputs& inputs() const { return inputs_; }
    CalculationHost& host() { return host_; }
    CalculationLog& log() { return *log_; }
    // A stop poll; true when the run must end here as a stop.
    bool poll();
    // One step of a stage of `total` steps; the bar stops at its frame.
    void progressStep(float total);
    void stageChange(int label);
    // The score lines as step 4 reads them.
    double excellentLine() const { return excellent_; }
    double passLine() const { return pass_; }
    float poorLine() const { return poor_; }
    // The scaled tables as the tables stage wrote them, while the run lasts;
    // null when the stage did not complete or kept nothing.
    void keepWritten(std::unique_ptr<WrittenTables> tables);
    const WrittenTables* written() const { return written_.get(); }
    // Whether the previous term's file came through its walk for damage,
    // which runs beside the first stages; nullopt when this run walks none.
    std::optional<bool> previousTermWalked();

    // How the run starts a task beside it (the previous term's walk, the
    // log's last write): on a thread of its own unless replaced. Tests make
    // it fail as a system without a thread to spare does (std::system_error);
    // the run then does the task itself, on its own thread. Empty: the default.
    using TaskStart = std::function<std::future<bool>(std::function<bool()> task)>;
    static void setTaskStart(TaskStart start);

    // The log's path in the program folder.
    static QString logPath();
    static const QString kLogName;

private:
    bool tests();
    bool subjectsMatch();
    void say(const QString& text, const QString& title);

    std::shared_ptr<platform::db::Database> db_;
    CalculationInputs inputs_;
    CalculationHost& host_;
    FormulaTest formulaTest_;
    LaterStage laterStage_;
    std::unique_ptr<CalculationLog> log_;
    std::unique_ptr<WrittenTables> written_;
    std::future<bool> previousTermWalk_;
    std::optional<bool> previousTermSound_;
    double excellent_ = 0, pass_ = 0;
    float poor_ = 0;
    float progressCount_ = 0;
    int rowsAStatement_ = kRowsAStatement;
};
