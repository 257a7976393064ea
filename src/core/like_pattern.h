#pragma once
// The pattern of a `like` comparison, prepared once and matched against many texts.

#include <QString>
#include <QStringView>

#include <vector>

namespace tabel::core {

// `%` matches any run of characters (also none), `_` exactly one character. A backslash makes
// the next character literal (`\%`, `\_`, `\\`); a backslash at the very end is itself literal.
// Matching ignores letter case (Unicode simple case folding, so Cyrillic "ив%" matches
// "Иванов") and works on whole code points.
class LikePattern {
public:
    LikePattern() = default;
    explicit LikePattern(QStringView pattern);

    // Allocates nothing: the text is folded character by character while it is compared.
    bool matches(QStringView text) const;

private:
    std::vector<char32_t> elements_;  // folded code points or the two wildcards below
    bool endsWithAnyRun_ = false;
};

// Escapes `%`, `_` and `\` so that the text matches itself literally inside a like pattern.
QString escapeLikePattern(const QString& text);

}  // namespace tabel::core
