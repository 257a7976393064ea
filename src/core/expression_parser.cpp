#include "core/expression_parser.h"

#include <charconv>
#include <string>

#include "core/expression_tokenizer.h"

namespace tabel::core::detail {

namespace {

class Parser {
public:
    Parser(const QString& source, const FieldResolver& resolver, FunctionSet set)
        : source_(source),
          resolver_(resolver),
          report_(set == FunctionSet::Report),
          tokens_(tokenize(source)) {
        program_->text = source;
    }

    std::shared_ptr<const Program> run() {
        if (peek().kind == TokenKind::End) {
            fail(peek().position, QStringLiteral("выражение пустое"));
        }
        program_->root = parseOr();
        if (peek().kind != TokenKind::End) {
            fail(peek().position, QStringLiteral("лишнее \"%1\"").arg(describe(peek())));
        }
        return program_;
    }

private:
    const Token& peek(int ahead = 0) const {
        const size_t i = pos_ + size_t(ahead);
        return i < tokens_.size() ? tokens_[i] : tokens_.back();
    }
    const Token& take() { return tokens_[pos_ < tokens_.size() - 1 ? pos_++ : pos_]; }
    bool accept(TokenKind kind) {
        if (peek().kind != kind) {
            return false;
        }
        take();
        return true;
    }

    [[noreturn]] void fail(int position, const QString& problem) const {
        raise(source_, position, problem);
    }

    QString describe(const Token& t) const {
        return t.kind == TokenKind::End ? QStringLiteral("конец выражения")
                                        : source_.mid(t.position, t.length);
    }

    [[noreturn]] void expectedValue() const {
        if (peek().kind == TokenKind::End) {
            fail(peek().position, QStringLiteral("выражение оборвано, ожидается значение"));
        }
        fail(peek().position,
             QStringLiteral("ожидается значение, а не \"%1\"").arg(describe(peek())));
    }

    int add(Op op, int a = -1, int b = -1, int c = -1, int index = -1) {
        program_->nodes.push_back({op, a, b, c, index});
        return int(program_->nodes.size()) - 1;
    }

    int addConstant(Value v) {
        program_->constants.push_back(std::move(v));
        return add(Op::Constant, -1, -1, -1, int(program_->constants.size()) - 1);
    }

    // Nesting is bounded so that a runaway text is refused instead of exhausting the stack.
    struct Nesting {
        explicit Nesting(Parser& p) : parser(p) {
            if (++parser.depth_ > kMaxDepth) {
                parser.fail(parser.peek().position, QStringLiteral("слишком глубокая вложенность"));
            }
        }
        ~Nesting() { --parser.depth_; }
        Parser& parser;
    };
    static constexpr int kMaxDepth = 200;

    int parseOr() {
        const Nesting nesting(*this);
        int left = parseAnd();
        while (accept(TokenKind::Or)) {
            left = add(Op::Or, left, parseAnd());
        }
        return left;
    }

    int parseAnd() {
        int left = parseNot();
        while (accept(TokenKind::And)) {
            left = add(Op::And, left, parseNot());
        }
        return left;
    }

    int parseNot() {
        if (accept(TokenKind::Not)) {
            const Nesting nesting(*this);
            return add(Op::Not, parseNot());
        }
        return parseComparison();
    }

    int parseComparison() {
        const int left = parseAdditive();
        Op op;
        switch (peek().kind) {
            case TokenKind::Eq:
                op = Op::Eq;
                break;
            case TokenKind::Ne:
                op = Op::Ne;
                break;
            case TokenKind::Lt:
                op = Op::Lt;
                break;
            case TokenKind::Gt:
                op = Op::Gt;
                break;
            case TokenKind::Le:
                op = Op::Le;
                break;
            case TokenKind::Ge:
                op = Op::Ge;
                break;
            case TokenKind::Like:
                take();
                return parseLikePattern(Op::Like, left);
            case TokenKind::Not:
                if (peek(1).kind == TokenKind::Like) {
                    take();
                    take();
                    return parseLikePattern(Op::NotLike, left);
                }
                return left;
            default:
                return left;
        }
        take();
        return add(op, left, parseAdditive());
    }

    // Only a quoted pattern: it is prepared once here instead of on every row.
    int parseLikePattern(Op op, int left) {
        if (peek().kind != TokenKind::String) {
            if (peek().kind == TokenKind::End) {
                expectedValue();
            }
            fail(peek().position, QStringLiteral("после like ожидается строка в кавычках"));
        }
        program_->patterns.emplace_back(take().text);
        return add(op, left, -1, -1, int(program_->patterns.size()) - 1);
    }

    void refuseArithmetic() const {
        switch (peek().kind) {
            case TokenKind::Plus:
            case TokenKind::Minus:
            case TokenKind::Star:
            case TokenKind::Slash:
                fail(peek().position,
                     QStringLiteral("действие \"%1\" в фильтре недопустимо").arg(describe(peek())));
            default:
                break;
        }
    }

    int parseAdditive() {
        int left = parseMultiplicative();
        if (!report_) {
            refuseArithmetic();
            return left;
        }
        for (;;) {
            if (accept(TokenKind::Plus)) {
                left = add(Op::Add, left, parseMultiplicative());
            } else if (accept(TokenKind::Minus)) {
                left = add(Op::Sub, left, parseMultiplicative());
            } else {
                return left;
            }
        }
    }

    int parseMultiplicative() {
        int left = parseUnary();
        if (!report_) {
            return left;
        }
        for (;;) {
            if (accept(TokenKind::Star)) {
                left = add(Op::Mul, left, parseUnary());
            } else if (accept(TokenKind::Slash)) {
                left = add(Op::Div, left, parseUnary());
            } else {
                return left;
            }
        }
    }

    int parseUnary() {
        if (peek().kind != TokenKind::Minus) {
            return parsePrimary();
        }
        const Token& minus = take();
        const Nesting nesting(*this);
        if (peek().kind == TokenKind::Number) {
            return addConstant(numberValue(take(), true));
        }
        if (!report_) {
            if (peek().kind == TokenKind::End) {
                expectedValue();
            }
            fail(minus.position, QStringLiteral("в фильтре минус допустим только перед числом"));
        }
        return add(Op::Neg, parseUnary());
    }

    Value numberValue(const Token& t, bool negative) const {
        std::string ascii = t.text.toStdString();
        if (negative) {
            ascii.insert(ascii.begin(), '-');
        }
        const char* end = ascii.data() + ascii.size();
        if (!t.text.contains(u'.')) {
            qint64 i = 0;
            const auto res = std::from_chars(ascii.data(), end, i);
            if (res.ec == std::errc() && res.ptr == end) {
                return Value::integer(i);
            }
        }
        double d = 0.0;
        const auto res = std::from_chars(ascii.data(), end, d);
        if (res.ec != std::errc()) {
            fail(t.position, QStringLiteral("число вне допустимого диапазона"));
        }
        return Value::real(d);
    }

    int parsePrimary() {
        switch (peek().kind) {
            case TokenKind::Number:
                return addConstant(numberValue(take(), false));
            case TokenKind::String:
                return addConstant(Value::string(take().text));
            case TokenKind::LParen: {
                const Token& open = take();
                const int inner = parseOr();
                if (!accept(TokenKind::RParen)) {
                    fail(peek().kind == TokenKind::End ? open.position : peek().position,
                         QStringLiteral("нет закрывающей скобки"));
                }
                return inner;
            }
            case TokenKind::Identifier: {
                const Token& name = take();
                if (peek().kind == TokenKind::LParen) {
                    return parseCall(name);
                }
                if (report_ &&
                    name.text.compare(QLatin1String("PAGENUMBER"), Qt::CaseInsensitive) == 0) {
                    return add(Op::PageNumber);
                }
                return field(name);
            }
            default:
                expectedValue();
        }
    }

    int field(const Token& name) {
        QString bare = name.text;
        if (report_) {
            bare = bare.mid(bare.lastIndexOf(u'.') + 1);
        }
        const int column = resolver_ && !bare.contains(u'.') ? resolver_(bare) : -1;
        if (column < 0) {
            fail(name.position, QStringLiteral("неизвестное поле \"%1\"").arg(name.text));
        }
        return add(Op::Field, -1, -1, -1, column);
    }

    int parseCall(const Token& name) {
        const QString upper = name.text.toUpper();
        struct Function {
            QLatin1String name;
            Op op;
            int arity;
        };
        static const Function functions[] = {
            {QLatin1String("IF"), Op::If, 3},
            {QLatin1String("STR"), Op::Str, 1},
            {QLatin1String("SUM"), Op::Sum, 1},
            {QLatin1String("PAGENUMBER"), Op::PageNumber, 0},
        };
        const Function* function = nullptr;
        for (const Function& f : functions) {
            if (report_ && upper == f.name) {
                function = &f;
            }
        }
        if (function == nullptr) {
            fail(name.position, QStringLiteral("неизвестная функция \"%1\"").arg(name.text));
        }
        if (function->op == Op::Sum && insideSum_) {
            fail(name.position, QStringLiteral("SUM внутри SUM недопустима"));
        }
        take();  // (
        insideSum_ = insideSum_ || function->op == Op::Sum;
        std::vector<int> args;
        if (peek().kind != TokenKind::RParen) {
            do {
                args.push_back(parseOr());
            } while (accept(TokenKind::Comma));
        }
        if (function->op == Op::Sum) {
            insideSum_ = false;
        }
        if (!accept(TokenKind::RParen)) {
            if (peek().kind == TokenKind::End) {
                fail(name.position, QStringLiteral("нет закрывающей скобки"));
            }
            fail(peek().position, QStringLiteral("ожидается \",\" или \")\""));
        }
        if (int(args.size()) != function->arity) {
            fail(name.position, QStringLiteral("функции %1 нужно аргументов: %2")
                                    .arg(function->name)
                                    .arg(function->arity));
        }
        args.resize(3, -1);
        if (function->op == Op::Sum) {
            program_->sumArguments.push_back(args[0]);
            return add(Op::Sum, args[0], -1, -1, int(program_->sumArguments.size()) - 1);
        }
        return add(function->op, args[0], args[1], args[2]);
    }

    const QString& source_;
    const FieldResolver& resolver_;
    const bool report_;
    const std::vector<Token> tokens_;
    size_t pos_ = 0;
    int depth_ = 0;
    bool insideSum_ = false;
    std::shared_ptr<Program> program_ = std::make_shared<Program>();
};

}  // namespace

std::shared_ptr<const Program> parse(const QString& source, const FieldResolver& resolver,
                                     FunctionSet set) {
    return Parser(source, resolver, set).run();
}

}  // namespace tabel::core::detail
