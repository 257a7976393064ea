#include "core/brigade_split.h"

#include <algorithm>
#include <map>
#include <numeric>

namespace tabel::core {

namespace {

struct Member {
    int code = 0;
    QString name;
    Decimal ktu;
    std::optional<int> hours;
    WideInt weight = 0;
    WideInt good = 0;
    WideInt defects = 0;
};

// The whole pieces of a non-negative decimal.
WideInt wholePart(const Decimal& value) {
    Decimal whole = value.rounded(0);
    if (whole > value) {
        whole.add(Decimal::fromInteger(-1));
    }
    WideInt result = 0;
    for (const QChar digit : whole.toString()) {
        if (digit.isDigit()) {
            result = result * 10 + digit.digitValue();
        }
    }
    return whole.isNegative() ? 0 : result;
}

Decimal decimalOf(WideInt value) {
    return Decimal::fromInteger(qint64(value));
}

// Hundredths of a coefficient with at most two places (as numeric(4,2) holds it).
WideInt hundredths(const Decimal& ktu) {
    Decimal scaled = ktu;
    scaled.multiply(Decimal::fromInteger(100));
    return wholePart(scaled.rounded(0));
}

// Shares `pieces` over the members' weights: evenly (the rest to the entry's worker, members[0])
// or by largest remainder (ties by position: the entry's worker, then by worker code).
QList<WideInt> share(WideInt pieces, const QList<Member>& members, bool even) {
    WideInt total = 0;
    for (const Member& m : members) {
        total += m.weight;
    }
    QList<WideInt> shares;
    QList<WideInt> rests;
    WideInt given = 0;
    for (const Member& m : members) {
        shares.append(pieces * m.weight / total);
        rests.append(pieces * m.weight % total);
        given += shares.last();
    }
    WideInt left = pieces - given;
    if (even) {
        shares[0] += left;
        return shares;
    }
    QList<int> order(members.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return rests[a] > rests[b]; });
    for (int i = 0; left > 0; ++i, --left) {
        shares[order[i]] += 1;
    }
    return shares;
}

}  // namespace

bool ktuAllowed(const Decimal& ktu) {
    return ktu.rounded(2) == ktu && ktu >= *Decimal::fromText(u"0.01") &&
           ktu <= *Decimal::fromText(u"9.99");
}

bool hoursAllowed(int hours) {
    return hours >= 1 && hours <= 24;
}

QString splitCode(BrigadeSplit split) {
    switch (split) {
        case BrigadeSplit::Ktu:
            return QStringLiteral("ktu");
        case BrigadeSplit::Hours:
            return QStringLiteral("hours");
        case BrigadeSplit::Even:
            break;
    }
    return QStringLiteral("even");
}

std::optional<BrigadeSplit> splitOfCode(const QString& code) {
    for (const BrigadeSplit split : {BrigadeSplit::Even, BrigadeSplit::Ktu, BrigadeSplit::Hours}) {
        if (splitCode(split) == code) {
            return split;
        }
    }
    return std::nullopt;
}

BrigadeDivision divideBrigade(const BrigadeEntry& entry, const QList<BrigadeLine>& lines,
                              BrigadeSplit split) {
    BrigadeDivision division;
    QStringList unnumbered;
    // Each worker once, with his first line.
    std::map<int, const BrigadeLine*> byCode;
    for (const BrigadeLine& line : lines) {
        if (!line.workerCode) {
            unnumbered.append(line.name);
        } else {
            byCode.try_emplace(*line.workerCode, &line);
        }
    }
    if (!unnumbered.isEmpty()) {
        division.refusal =
            QStringLiteral("Нет табельного номера: ") + unnumbered.join(QStringLiteral(", "));
        return division;
    }

    QList<Member> members;
    Member own{.code = entry.workerCode,
               .name = entry.workerName,
               .ktu = Decimal::fromInteger(1),
               .hours = entry.hours};
    if (const auto it = byCode.find(entry.workerCode); it != byCode.end()) {
        own.ktu = it->second->ktu;
        own.hours = it->second->hours.value_or(entry.hours);
    }
    members.append(own);
    QStringList unhoured;
    for (const auto& [code, line] : byCode) {
        if (code != entry.workerCode) {
            members.append(
                {.code = code, .name = line->name, .ktu = line->ktu, .hours = line->hours});
            if (!line->hours) {
                unhoured.append(line->name);
            }
        }
    }
    const auto asEntered = [&] {
        division.shares = {{.workerCode = entry.workerCode,
                            .name = entry.workerName,
                            .quantity = entry.quantity,
                            .defects = entry.defects,
                            .hours = entry.hours,
                            .pay = {}}};
    };
    if (members.size() == 1) {
        asEntered();
    } else if (split == BrigadeSplit::Hours && !unhoured.isEmpty()) {
        division.refusal = QStringLiteral("Не заданы часы: ") + unhoured.join(QStringLiteral(", "));
        return division;
    } else {
        for (Member& m : members) {
            m.weight = split == BrigadeSplit::Ktu     ? hundredths(m.ktu)
                       : split == BrigadeSplit::Hours ? WideInt(*m.hours)
                                                      : 1;
        }
        Decimal good = entry.quantity;
        good.add(Decimal::fromInteger(-entry.defects));
        const bool even = split == BrigadeSplit::Even;
        const QList<WideInt> goodShares = share(wholePart(good), members, even);
        const QList<WideInt> defectShares =
            share(WideInt(std::max(entry.defects, 0)), members, even);
        Decimal ownQuantity = entry.quantity;
        int ownDefects = entry.defects;
        for (int i = 1; i < members.size(); ++i) {
            const Member& m = members[i];
            const Decimal quantity = decimalOf(goodShares[i] + defectShares[i]);
            ownQuantity.add(quantity.negated());
            ownDefects -= int(defectShares[i]);
            division.shares.append({.workerCode = m.code,
                                    .name = m.name,
                                    .quantity = quantity,
                                    .defects = int(defectShares[i]),
                                    .hours = split == BrigadeSplit::Hours ? *m.hours : entry.hours,
                                    .pay = {}});
        }
        division.shares.prepend(
            {.workerCode = entry.workerCode,
             .name = entry.workerName,
             .quantity = ownQuantity,
             .defects = ownDefects,
             .hours = split == BrigadeSplit::Hours ? *members[0].hours : entry.hours,
             .pay = {}});
    }
    for (BrigadeShare& s : division.shares) {
        Decimal good = s.quantity;
        good.add(Decimal::fromInteger(-s.defects));
        s.pay = entry.price;
        s.pay.multiply(good);
    }
    return division;
}

}  // namespace tabel::core
