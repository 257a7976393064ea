#include "core/like_pattern.h"

#include <QChar>

#include <cstdint>

namespace tabel::core {

namespace {

// Outside the Unicode range, so no folded character can be mistaken for a wildcard.
constexpr char32_t kAnyOne = 0x110000;
constexpr char32_t kAnyRun = 0x110001;
constexpr QChar kEscape = u'\\';

// Code point at `pos` of `text`, folded; `pos` moves past it.
char32_t nextFolded(QStringView text, qsizetype& pos) {
    const QChar c = text[pos++];
    char32_t code = c.unicode();
    if (c.isHighSurrogate() && pos < text.size() && text[pos].isLowSurrogate()) {
        code = QChar::surrogateToUcs4(c, text[pos++]);
    }
    return QChar::toCaseFolded(code);
}

}  // namespace

LikePattern::LikePattern(QStringView pattern) {
    qsizetype pos = 0;
    while (pos < pattern.size()) {
        const QChar c = pattern[pos];
        if (c == u'%') {
            ++pos;
            if (elements_.empty() || elements_.back() != kAnyRun) {
                elements_.push_back(kAnyRun);
            }
        } else if (c == u'_') {
            ++pos;
            elements_.push_back(kAnyOne);
        } else {
            if (c == kEscape && pos + 1 < pattern.size()) {
                ++pos;
            }
            elements_.push_back(nextFolded(pattern, pos));
        }
    }
    endsWithAnyRun_ = !elements_.empty() && elements_.back() == kAnyRun;
}

bool LikePattern::matches(QStringView text) const {
    const size_t m = elements_.size();
    size_t p = 0;
    qsizetype t = 0;
    // Greedy match with one backtrack point: the last `%` seen and where its run ends so far.
    size_t runP = SIZE_MAX;
    qsizetype runT = 0;
    while (t < text.size()) {
        if (p == m && endsWithAnyRun_) {
            return true;
        }
        qsizetype next = t;
        const char32_t c = p < m ? nextFolded(text, next) : 0;
        if (p < m && elements_[p] == kAnyRun) {
            runP = p++;
            runT = t;
            continue;
        }
        if (p < m && (elements_[p] == kAnyOne || elements_[p] == c)) {
            ++p;
            t = next;
            continue;
        }
        if (runP == SIZE_MAX) {
            return false;
        }
        p = runP + 1;
        nextFolded(text, runT);
        t = runT;
    }
    while (p < m && elements_[p] == kAnyRun) {
        ++p;
    }
    return p == m;
}

QString escapeLikePattern(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (c == u'%' || c == u'_' || c == kEscape) {
            out += kEscape;
        }
        out += c;
    }
    return out;
}

}  // namespace tabel::core
