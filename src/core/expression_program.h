#pragma once
// Internal: the compiled form of an expression, shared by the parser and the evaluator.

#include <QDateTime>
#include <QString>

#include <vector>

#include "core/like_pattern.h"

namespace tabel::core::detail {

// A value during evaluation; lighter than QVariant and without per-node conversions.
struct Value {
    enum class Kind : quint8 { Null, Bool, Int, Double, String, Date, DateTime, Time };

    Kind kind = Kind::Null;
    qint64 i = 0;    // Bool (0/1), Int, Date (Julian day), Time (ms since midnight)
    double d = 0.0;  // Double
    QString s;       // String
    QDateTime dt;    // DateTime

    static Value boolean(bool b) { return {Kind::Bool, b ? 1 : 0, 0.0, {}, {}}; }
    static Value integer(qint64 v) { return {Kind::Int, v, 0.0, {}, {}}; }
    static Value real(double v) { return {Kind::Double, 0, v, {}, {}}; }
    static Value string(const QString& v) { return {Kind::String, 0, 0.0, v, {}}; }

    bool isNull() const { return kind == Kind::Null; }
    bool isNumber() const {
        return kind == Kind::Bool || kind == Kind::Int || kind == Kind::Double;
    }
};

enum class Op : quint8 {
    Constant,  // index: constants
    Field,     // index: column
    Not,
    And,
    Or,
    Eq,
    Ne,
    Lt,
    Gt,
    Le,
    Ge,
    Like,     // index: patterns
    NotLike,  // index: patterns
    Add,
    Sub,
    Mul,
    Div,
    Neg,
    If,
    Str,
    Sum,  // index: sum slot; a: its argument
    PageNumber,
};

struct Node {
    Op op;
    int a = -1;  // operands, by node index
    int b = -1;
    int c = -1;
    int index = -1;
};

struct Program {
    QString text;
    std::vector<Node> nodes;
    std::vector<Value> constants;
    std::vector<LikePattern> patterns;
    std::vector<int> sumArguments;  // per sum slot, the node of its argument
    int root = -1;
};

}  // namespace tabel::core::detail
