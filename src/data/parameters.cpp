#include "data/parameters.h"

#include "data/errors.h"

namespace tabel::data {

namespace {

bool isNameStart(QChar c) {
    return c.isLetter() || c == QLatin1Char('_');
}
bool isNamePart(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

// Index just past a quoted run that starts at `from` (the quote itself); doubled quotes stay
// inside.
qsizetype skipQuoted(const QString& text, qsizetype from) {
    const QChar quote = text[from];
    qsizetype i = from + 1;
    while (i < text.size()) {
        if (text[i] == quote) {
            if (i + 1 < text.size() && text[i + 1] == quote) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return i;
}

}  // namespace

int Parameters::indexOf(const QString& name) const {
    const QString key = name.toLower();
    for (int i = 0; i < params_.size(); ++i) {
        if (params_[i].name == key) {
            return i;
        }
    }
    return -1;
}

void Parameters::parse(const QString& statement) {
    QList<Param> previous = std::move(params_);
    params_.clear();
    order_.clear();
    positional_.clear();
    positional_.reserve(statement.size());

    qsizetype i = 0;
    while (i < statement.size()) {
        const QChar c = statement[i];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            const qsizetype end = skipQuoted(statement, i);
            positional_ += QStringView(statement).mid(i, end - i);
            i = end;
        } else if (c == QLatin1Char(':') && i + 1 < statement.size() &&
                   statement[i + 1] == QLatin1Char(':')) {
            positional_ += QLatin1String("::");  // a cast, not a placeholder
            i += 2;
        } else if (c == QLatin1Char(':') && i + 1 < statement.size() &&
                   isNameStart(statement[i + 1])) {
            qsizetype end = i + 1;
            while (end < statement.size() && isNamePart(statement[end])) {
                ++end;
            }
            const QString name = statement.mid(i + 1, end - i - 1).toLower();
            int index = indexOf(name);
            if (index < 0) {
                Param param{name, {}};
                for (const Param& old : previous) {
                    if (old.name == name) {
                        param.value = old.value;
                    }
                }
                params_.append(param);
                index = int(params_.size()) - 1;
            }
            order_.append(index);
            positional_ += QLatin1Char('?');
            i = end;
        } else {
            positional_ += c;
            ++i;
        }
    }
}

bool Parameters::contains(const QString& name) const {
    return indexOf(name) >= 0;
}

void Parameters::setValue(const QString& name, const QVariant& value) {
    const int index = indexOf(name);
    if (index < 0) {
        throw DataError(QStringLiteral("Параметр %1 не найден").arg(name));
    }
    params_[index].value = value;
}

QVariant Parameters::value(const QString& name) const {
    const int index = indexOf(name);
    return index < 0 ? QVariant() : params_[index].value;
}

QList<QVariant> Parameters::positionalValues() const {
    QList<QVariant> values;
    values.reserve(order_.size());
    for (const int index : order_) {
        values.append(params_[index].value);
    }
    return values;
}

}  // namespace tabel::data
