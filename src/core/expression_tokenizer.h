#pragma once
// Internal: splits an expression text into tokens.

#include <QString>

#include <vector>

namespace tabel::core::detail {

enum class TokenKind {
    End,
    Identifier,  // may hold dots: "t_Report.fio"
    Number,      // text: digits with an optional ".digits"
    String,      // text: the content with '' already made one quote
    LParen,
    RParen,
    Comma,
    Eq,
    Ne,
    Lt,
    Gt,
    Le,
    Ge,
    Plus,
    Minus,
    Star,
    Slash,
    And,
    Or,
    Not,
    Like,
};

struct Token {
    TokenKind kind = TokenKind::End;
    int position = 0;  // offset of the first character in the source
    int length = 0;    // characters it takes in the source
    QString text;
};

// Throws ExpressionError at the first character that starts no token.
std::vector<Token> tokenize(const QString& source);

// Throws ExpressionError with the source and the 1-based position in its message.
[[noreturn]] void raise(const QString& source, int position, const QString& problem);

}  // namespace tabel::core::detail
