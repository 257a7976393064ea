#include "core/expression_tokenizer.h"

#include "core/expression.h"

namespace tabel::core::detail {

namespace {

bool startsName(QChar c) {
    return c.isLetter() || c == u'_';
}
bool continuesName(QChar c) {
    return c.isLetterOrNumber() || c == u'_';
}
bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

TokenKind keywordKind(const QString& word) {
    static const struct {
        QLatin1String word;
        TokenKind kind;
    } keywords[] = {
        {QLatin1String("and"), TokenKind::And},
        {QLatin1String("or"), TokenKind::Or},
        {QLatin1String("not"), TokenKind::Not},
        {QLatin1String("like"), TokenKind::Like},
    };
    for (const auto& k : keywords) {
        if (word.compare(k.word, Qt::CaseInsensitive) == 0) {
            return k.kind;
        }
    }
    return TokenKind::Identifier;
}

}  // namespace

void raise(const QString& source, int position, const QString& problem) {
    throw ExpressionError(QStringLiteral("Ошибка в выражении \"%1\", позиция %2: %3")
                              .arg(source)
                              .arg(position + 1)
                              .arg(problem),
                          position);
}

std::vector<Token> tokenize(const QString& source) {
    std::vector<Token> tokens;
    const int n = int(source.size());
    int pos = 0;
    auto simple = [&](TokenKind kind, int length) {
        tokens.push_back({kind, pos, length, {}});
        pos += length;
    };
    while (pos < n) {
        const QChar c = source[pos];
        const QChar next = pos + 1 < n ? source[pos + 1] : QChar();
        if (c.isSpace()) {
            ++pos;
        } else if (startsName(c)) {
            const int start = pos;
            while (pos < n && (continuesName(source[pos]) || (source[pos] == u'.' && pos + 1 < n &&
                                                              startsName(source[pos + 1])))) {
                ++pos;
            }
            const QString word = source.mid(start, pos - start);
            tokens.push_back({keywordKind(word), start, pos - start, word});
        } else if (isDigit(c)) {
            const int start = pos;
            while (pos < n && isDigit(source[pos])) {
                ++pos;
            }
            if (pos < n && source[pos] == u'.') {
                ++pos;
                if (pos >= n || !isDigit(source[pos])) {
                    raise(source, pos, QStringLiteral("после точки в числе ожидается цифра"));
                }
                while (pos < n && isDigit(source[pos])) {
                    ++pos;
                }
            }
            if (pos < n && (continuesName(source[pos]) || source[pos] == u'.')) {
                raise(source, pos, QStringLiteral("неверное число"));
            }
            tokens.push_back(
                {TokenKind::Number, start, pos - start, source.mid(start, pos - start)});
        } else if (c == u'\'') {
            const int start = pos++;
            QString text;
            for (;;) {
                if (pos >= n) {
                    raise(source, start, QStringLiteral("строка не закрыта кавычкой"));
                }
                if (source[pos] == u'\'') {
                    if (pos + 1 < n && source[pos + 1] == u'\'') {
                        text += u'\'';
                        pos += 2;
                        continue;
                    }
                    ++pos;
                    break;
                }
                text += source[pos++];
            }
            tokens.push_back({TokenKind::String, start, pos - start, text});
        } else if (c == u'(') {
            simple(TokenKind::LParen, 1);
        } else if (c == u')') {
            simple(TokenKind::RParen, 1);
        } else if (c == u',') {
            simple(TokenKind::Comma, 1);
        } else if (c == u'=') {
            simple(TokenKind::Eq, 1);
        } else if (c == u'!' && next == u'=') {
            simple(TokenKind::Ne, 2);
        } else if (c == u'<') {
            if (next == u'>') {
                simple(TokenKind::Ne, 2);
            } else if (next == u'=') {
                simple(TokenKind::Le, 2);
            } else {
                simple(TokenKind::Lt, 1);
            }
        } else if (c == u'>') {
            if (next == u'=') {
                simple(TokenKind::Ge, 2);
            } else {
                simple(TokenKind::Gt, 1);
            }
        } else if (c == u'+') {
            simple(TokenKind::Plus, 1);
        } else if (c == u'-') {
            simple(TokenKind::Minus, 1);
        } else if (c == u'*') {
            simple(TokenKind::Star, 1);
        } else if (c == u'/') {
            simple(TokenKind::Slash, 1);
        } else {
            raise(source, pos, QStringLiteral("недопустимый символ '%1'").arg(c));
        }
    }
    tokens.push_back({TokenKind::End, n, 0, {}});
    return tokens;
}

}  // namespace tabel::core::detail
