#pragma once
// The expression language of the assessment formulas: the closed subset of
// the old script language that formulas use (numbers, variables, operators,
// a few math and conversion functions), with its number types and rules so
// that old formulas give the same values. Nothing else runs: no strings, no
// objects, no statements but "name=expression".

#include <QHash>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

namespace platform::script {

enum class Type { Empty, Boolean, Integer, Long, Single, Double };

class Value {
public:
    Value() = default;  // Empty
    static Value boolean(bool b);
    static Value integer(int v);     // 16-bit; the caller keeps it in range
    static Value longValue(qint64 v); // 32-bit; the caller keeps it in range
    static Value single(float v);
    static Value real(double v);     // Double

    Type type() const { return type_; }
    bool isEmpty() const { return type_ == Type::Empty; }
    // The number it counts as: Empty 0, True -1, False 0.
    double number() const { return number_; }
    // As the log writes it: Empty nothing, "True"/"False", digits, or the
    // plain number text with 7 (Single) or 15 (Double) digits.
    QString text() const;

    bool operator==(const Value& o) const = default;

private:
    Value(Type t, double n) : type_(t), number_(n) {}
    Type type_ = Type::Empty;
    double number_ = 0.0;
};

enum class ErrorKind {
    Syntax,              // not an expression of the language
    DivisionByZero,      // "/", "\" or Mod by 0 or Empty
    Overflow,            // a result or conversion out of its type's range
    InvalidCall,         // Sqr(-1), Log(0), (-8)^(1/3), 0^-1, Round(x, -1)
    NotAFunction,        // a name called with parentheses that is no function
    WrongArgumentCount,  // Abs(1,2), Abs
    Unsupported,         // parts of the old language left out: strings, "&", Null, objects, other functions
};

struct Error {
    ErrorKind kind = ErrorKind::Syntax;
    QString text;  // short, for tests and diagnostics; never shown to the user
};

struct Result {
    Value value;
    std::optional<Error> error;
    bool ok() const { return !error; }
};

Result fail(ErrorKind kind, const QString& text);

// The language's operators on values, for callers that combine evaluated
// values by its rules (the assessment sum adds its parts this way).
Result add(const Value& a, const Value& b);
// CSng: to a single-precision number; out of range is an overflow.
Result toSingle(const Value& v);

// An expression parsed once and evaluated many times (once per teacher).
class Expression {
public:
    // Parses the text; a text that is no expression gives an Expression
    // that is not ok() and holds the failure.
    static Expression parse(const QString& text);

    bool ok() const { return !error_; }
    const std::optional<Error>& error() const { return error_; }

    struct Op;  // one step of the compiled form

private:
    friend class Engine;
    friend class Assignment;
    std::shared_ptr<const std::vector<Op>> ops_;
    std::optional<Error> error_;
};

// A statement "name=expression" parsed once and executed many times; a text
// that is no such statement holds the failure its execution gives.
class Assignment {
public:
    static Assignment parse(const QString& statement);

    bool ok() const { return !error_; }

private:
    friend class Engine;
    QString name_;  // lower case: names ignore case
    Expression value_;
    std::optional<Error> error_;
};

// The stand-in for the script control: a set of variables, assignment
// statements and evaluation.
class Engine {
public:
    // Forgets every variable, so nothing of the previous teacher survives.
    void reset();
    // One assignment "name=expression"; the variable keeps its value until reset.
    Result execute(const QString& statement);
    Result execute(const Assignment& statement);
    // The value of an expression over the variables; a name never assigned is Empty.
    Result eval(const QString& text) const;
    Result eval(const Expression& expression) const;

    Value variable(const QString& name) const;

private:
    QHash<QString, Value> variables_;  // by lower-case name: names ignore case
};

} // namespace platform::script
