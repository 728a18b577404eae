#pragma once
// A calculation host for tests: it answers the run's prompts from a script,
// records what was shown and what the run did to the panel, and asks for a
// stop at its n-th poll when told to. An unscripted prompt fails the test and
// gets the answer that changes nothing.

#include "grades/calc/core/calculation_run.h"

#include <QStringList>
#include <deque>
#include <gtest/gtest.h>
#include <vector>

struct ScriptedHost : CalculationHost {
    struct Shown {
        bool input = false;
        QString text, title, defaultText;
        RunButtons buttons = RunButtons::Ok;
        RunAnswer defaultButton = RunAnswer::Ok;
    };
    std::vector<Shown> shown;
    int stopAtPoll = 0;          // 0: never
    int polls = 0;
    bool stopFlag = false;
    int locks = 0, unlocks = 0, finishes = 0, clears = 0;
    QList<int> stages;
    QStringList unticked;
    float lastShare = 0;

    ScriptedHost& answer(RunAnswer a, const QString& expectedText = {}) {
        script_.push_back({false, {}, a, expectedText});
        return *this;
    }
    ScriptedHost& type(const QString& typed) {   // "" = Cancel
        script_.push_back({true, typed, RunAnswer::Ok, {}});
        return *this;
    }
    ~ScriptedHost() override {
        for (const Entry& e : script_)
            ADD_FAILURE() << "unused answer" << (e.input ? " typed: " + e.typed.toStdString() : std::string());
    }

    QString lastMessage() const {
        for (auto it = shown.rbegin(); it != shown.rend(); ++it)
            if (!it->input)
                return it->text;
        return {};
    }
    QString lastTitle() const {
        for (auto it = shown.rbegin(); it != shown.rend(); ++it)
            if (!it->input)
                return it->title;
        return {};
    }

    bool stopRequested() override {
        ++polls;
        if (stopAtPoll && polls >= stopAtPoll)
            stopFlag = true;
        return stopFlag;
    }
    void clearStopRequest() override { stopFlag = false; }
    void progress(float share) override { lastShare = share; }
    void stageChanged(int label) override { stages << label; }
    void clearStages() override { ++clears; }
    void untick(const QString& box) override { unticked << box; }
    void lock() override { ++locks; }
    void unlock() override { ++unlocks; }
    void finishPanel() override { ++finishes; }
    RunAnswer message(const QString& text, RunButtons buttons, const QString& title,
                      RunAnswer defaultButton) override {
        shown.push_back({false, text, title, {}, buttons, defaultButton});
        if (script_.empty() || script_.front().input) {
            ADD_FAILURE() << "unscripted message: " << text.toStdString();
            return buttons == RunButtons::Ok ? RunAnswer::Ok : buttons == RunButtons::YesNo ? RunAnswer::No
                                                                                            : RunAnswer::Cancel;
        }
        const Entry e = script_.front();
        script_.pop_front();
        if (!e.expected.isEmpty()) {
            EXPECT_EQ(text.toStdString(), e.expected.toStdString());
        }
        return e.answer;
    }
    QString input(const QString& prompt, const QString& title, const QString& defaultText) override {
        shown.push_back({true, prompt, title, defaultText, RunButtons::Ok, RunAnswer::Ok});
        if (script_.empty() || !script_.front().input) {
            ADD_FAILURE() << "unscripted input: " << prompt.toStdString();
            return {};
        }
        const Entry e = script_.front();
        script_.pop_front();
        return e.typed;
    }

private:
    struct Entry {
        bool input;
        QString typed;
        RunAnswer answer;
        QString expected;
    };
    std::deque<Entry> script_;
};
