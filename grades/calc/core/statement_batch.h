#pragma once
// Rows handed to the engine several to a statement: starting and ending a
// statement costs the engine as much as a row. A full batch goes through one
// prepared statement of that many rows; a shorter one (the last rows of a
// grade level) row by row through a one-row statement prepared once.

#include "platform/db/statement.h"

#include <QString>
#include <functional>
#include <optional>
#include <utility>

class StatementBatch {
public:
    // The statement's text for `rows` rows.
    using Text = std::function<QString(int rows)>;
    // Binds the rows from `first` on, `count` of them, their parameters numbered from 1.
    using Bind = std::function<void(platform::db::Statement&, int first, int count)>;

    StatementBatch(platform::db::Database& db, Text text, int rows)
        : db_(db), text_(std::move(text)), rows_(rows), full_(db, text_(rows)) {}

    int rows() const { return rows_; }

    // Runs `count` rows, at most rows(). On a refusal the rows before the
    // refused one stay written, as when each row was its own statement.
    void run(int count, const Bind& bind) {
        if (count == rows_) {
            bind(full_, 0, count);
            full_.run();
            return;
        }
        if (!one_)
            one_.emplace(db_, text_(1));
        for (int i = 0; i < count; ++i) {
            bind(*one_, i, 1);
            one_->run();
        }
    }

private:
    platform::db::Database& db_;
    Text text_;
    int rows_;
    platform::db::Statement full_;
    std::optional<platform::db::Statement> one_;
};
