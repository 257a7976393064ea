#include "reportengine/truetype_font.h"

#include <QMap>

#include <algorithm>

namespace tabel::reportengine {

namespace {

// Out of line: inlined into a caller that knows a table may be empty, the compiler warns about
// reading past the empty array the bounds check guards against.
[[gnu::noinline]] quint32 u16(const QByteArray& data, qsizetype at) {
    if (at < 0 || at + 2 > data.size()) {
        return 0;
    }
    const auto* p = reinterpret_cast<const uchar*>(data.constData()) + at;
    return (quint32(p[0]) << 8) | p[1];
}

int i16(const QByteArray& data, qsizetype at) {
    return int(qint16(quint16(u16(data, at))));
}

quint32 u32(const QByteArray& data, qsizetype at) {
    return (u16(data, at) << 16) | u16(data, at + 2);
}

void put16(QByteArray& out, quint32 value) {
    out.append(char((value >> 8) & 0xff));
    out.append(char(value & 0xff));
}

void put32(QByteArray& out, quint32 value) {
    put16(out, value >> 16);
    put16(out, value & 0xffff);
}

void set32(QByteArray& data, qsizetype at, quint32 value) {
    data[at] = char((value >> 24) & 0xff);
    data[at + 1] = char((value >> 16) & 0xff);
    data[at + 2] = char((value >> 8) & 0xff);
    data[at + 3] = char(value & 0xff);
}

quint32 checksum(const QByteArray& data) {
    quint32 sum = 0;
    for (qsizetype at = 0; at < data.size(); at += 4) {
        quint32 word = 0;
        for (int i = 0; i < 4; ++i) {
            word = (word << 8) | (at + i < data.size() ? uchar(data[at + i]) : 0);
        }
        sum += word;
    }
    return sum;
}

void padTo4(QByteArray& data) {
    while (data.size() % 4 != 0) {
        data.append('\0');
    }
}

// Flags of a composite glyph's component.
constexpr quint32 kArgsAreWords = 0x0001;
constexpr quint32 kHaveScale = 0x0008;
constexpr quint32 kMoreComponents = 0x0020;
constexpr quint32 kHaveXYScale = 0x0040;
constexpr quint32 kHaveTwoByTwo = 0x0080;

}  // namespace

bool TrueTypeFont::load(const FontTableFn& table) {
    head_ = table("head");
    hhea_ = table("hhea");
    maxp_ = table("maxp");
    hmtx_ = table("hmtx");
    loca_ = table("loca");
    glyf_ = table("glyf");
    cvt_ = table("cvt ");
    fpgm_ = table("fpgm");
    prep_ = table("prep");
    if (head_.size() < 54 || hhea_.size() < 36 || maxp_.size() < 6 || glyf_.isEmpty()) {
        return false;
    }
    glyphCount_ = int(u16(maxp_, 4));
    unitsPerEm_ = int(u16(head_, 18));
    longOffsets_ = i16(head_, 50) == 1;
    horizontalMetrics_ = int(u16(hhea_, 34));
    ascender_ = i16(hhea_, 4);
    descender_ = i16(hhea_, 6);
    for (int i = 0; i < 4; ++i) {
        bbox_[i] = i16(head_, 36 + 2 * i);
    }
    const qsizetype locaNeeded = qsizetype(glyphCount_ + 1) * (longOffsets_ ? 4 : 2);
    if (glyphCount_ <= 0 || unitsPerEm_ <= 0 || horizontalMetrics_ <= 0 ||
        horizontalMetrics_ > glyphCount_ || hmtx_.size() < horizontalMetrics_ * 4 ||
        loca_.size() < locaNeeded) {
        return false;
    }
    if (!loadCharacterMap(table("cmap"))) {
        return false;
    }
    advances_.resize(size_t(glyphCount_));
    for (int glyph = 0; glyph < glyphCount_; ++glyph) {
        // Past the last full metric, glyphs share its advance.
        advances_[size_t(glyph)] = int(u16(hmtx_, std::min(glyph, horizontalMetrics_ - 1) * 4));
    }
    return true;
}

bool TrueTypeFont::loadCharacterMap(const QByteArray& cmap) {
    // Windows' full Unicode subtable (format 12) when there is one, else its BMP one (format 4),
    // else the Unicode platform's.
    int bestRank = 0;
    const int tables = int(u16(cmap, 2));
    for (int i = 0; i < tables; ++i) {
        const qsizetype record = 4 + qsizetype(i) * 8;
        const quint32 platform = u16(cmap, record);
        const quint32 encoding = u16(cmap, record + 2);
        const quint32 offset = u32(cmap, record + 4);
        const int format = int(u16(cmap, offset));
        if (format != 4 && format != 12) {
            continue;
        }
        int rank = 0;
        if (platform == 3 && encoding == 10) {
            rank = 4;
        } else if (platform == 3 && encoding == 1) {
            rank = 3;
        } else if (platform == 0) {
            rank = format == 12 ? 2 : 1;
        }
        if (rank <= bestRank) {
            continue;
        }
        const quint32 length = format == 4 ? u16(cmap, offset + 2) : u32(cmap, offset + 4);
        if (offset + length > quint32(cmap.size()) || length < 16) {
            continue;
        }
        bestRank = rank;
        characterMap_ = cmap.mid(offset, length);
        characterMapFormat_ = format;
    }
    return bestRank > 0;
}

quint32 TrueTypeFont::glyphOf(char32_t character) const {
    const quint32 glyph =
        characterMapFormat_ == 4 ? segmentGlyph(character) : groupGlyph(character);
    return glyph < quint32(glyphCount_) ? glyph : 0;
}

quint32 TrueTypeFont::segmentGlyph(char32_t character) const {
    if (character > 0xffff) {
        return 0;
    }
    const QByteArray& map = characterMap_;
    const qsizetype segments = u16(map, 6) / 2;
    const qsizetype ends = 14;
    const qsizetype starts = ends + segments * 2 + 2;
    const qsizetype deltas = starts + segments * 2;
    const qsizetype rangeOffsets = deltas + segments * 2;
    // The segments are sorted by their last character.
    qsizetype low = 0;
    qsizetype high = segments;
    while (low < high) {
        const qsizetype middle = (low + high) / 2;
        if (u16(map, ends + middle * 2) < character) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    if (low >= segments || u16(map, starts + low * 2) > character) {
        return 0;
    }
    const quint32 start = u16(map, starts + low * 2);
    const quint32 delta = u16(map, deltas + low * 2);
    const quint32 rangeOffset = u16(map, rangeOffsets + low * 2);
    if (rangeOffset == 0) {
        return (character + delta) & 0xffff;
    }
    const quint32 glyph = u16(map, rangeOffsets + low * 2 + rangeOffset + (character - start) * 2);
    return glyph == 0 ? 0 : (glyph + delta) & 0xffff;
}

quint32 TrueTypeFont::groupGlyph(char32_t character) const {
    const QByteArray& map = characterMap_;
    const qsizetype groups = std::min<qsizetype>(u32(map, 12), (map.size() - 16) / 12);
    qsizetype low = 0;
    qsizetype high = groups;
    while (low < high) {
        const qsizetype middle = (low + high) / 2;
        if (u32(map, 16 + middle * 12 + 4) < character) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    if (low >= groups) {
        return 0;
    }
    const qsizetype group = 16 + low * 12;
    const quint32 first = u32(map, group);
    if (first > character) {
        return 0;
    }
    return u32(map, group + 8) + (character - first);
}

int TrueTypeFont::advance(quint32 glyph) const {
    return glyph < advances_.size() ? advances_[glyph] : 0;
}

QByteArray TrueTypeFont::glyphData(int glyph) const {
    if (glyph < 0 || glyph >= glyphCount_) {
        return {};
    }
    const quint32 from = longOffsets_ ? u32(loca_, glyph * 4) : u16(loca_, glyph * 2) * 2;
    const quint32 to = longOffsets_ ? u32(loca_, (glyph + 1) * 4) : u16(loca_, (glyph + 1) * 2) * 2;
    if (to <= from || to > quint32(glyf_.size())) {
        return {};
    }
    return glyf_.mid(from, to - from);
}

void TrueTypeFont::addComponents(int glyph, std::vector<bool>& keep) const {
    const QByteArray data = glyphData(glyph);
    if (data.size() < 10 || i16(data, 0) >= 0) {
        return;
    }
    qsizetype at = 10;
    quint32 flags = kMoreComponents;
    while ((flags & kMoreComponents) && at + 4 <= data.size()) {
        flags = u16(data, at);
        const int component = int(u16(data, at + 2));
        at += 4 + ((flags & kArgsAreWords) ? 4 : 2);
        if (flags & kHaveScale) {
            at += 2;
        } else if (flags & kHaveXYScale) {
            at += 4;
        } else if (flags & kHaveTwoByTwo) {
            at += 8;
        }
        if (component < glyphCount_ && !keep[size_t(component)]) {
            keep[size_t(component)] = true;
            addComponents(component, keep);
        }
    }
}

QByteArray TrueTypeFont::subset(const std::vector<bool>& used) const {
    std::vector<bool> keep(size_t(glyphCount_), false);
    keep[0] = true;  // the missing-glyph box
    for (int glyph = 0; glyph < glyphCount_ && size_t(glyph) < used.size(); ++glyph) {
        if (used[size_t(glyph)] && !keep[size_t(glyph)]) {
            keep[size_t(glyph)] = true;
            addComponents(glyph, keep);
        }
    }
    QByteArray glyf;
    QByteArray loca;
    for (int glyph = 0; glyph < glyphCount_; ++glyph) {
        put32(loca, quint32(glyf.size()));
        if (keep[size_t(glyph)]) {
            glyf.append(glyphData(glyph));
            padTo4(glyf);
        }
    }
    put32(loca, quint32(glyf.size()));

    QByteArray head = head_;
    set32(head, 8, 0);  // checkSumAdjustment, set once the whole file is known
    head[50] = 0;
    head[51] = 1;  // long offsets in loca

    QMap<QByteArray, QByteArray> tables{{"head", head},  {"hhea", hhea_}, {"maxp", maxp_},
                                        {"hmtx", hmtx_}, {"loca", loca},  {"glyf", glyf}};
    const std::pair<const char*, const QByteArray*> hinting[] = {
        {"cvt ", &cvt_}, {"fpgm", &fpgm_}, {"prep", &prep_}};
    for (const auto& [tag, data] : hinting) {
        if (!data->isEmpty()) {
            tables.insert(tag, *data);
        }
    }

    const quint32 count = quint32(tables.size());
    quint32 searchRange = 1;
    quint32 selector = 0;
    while (searchRange * 2 <= count) {
        searchRange *= 2;
        ++selector;
    }
    QByteArray font;
    put32(font, 0x00010000);
    put16(font, count);
    put16(font, searchRange * 16);
    put16(font, selector);
    put16(font, count * 16 - searchRange * 16);
    quint32 offset = 12 + count * 16;
    qsizetype headOffset = 0;
    for (auto it = tables.cbegin(); it != tables.cend(); ++it) {
        font.append(it.key());
        put32(font, checksum(it.value()));
        put32(font, offset);
        put32(font, quint32(it.value().size()));
        if (it.key() == "head") {
            headOffset = offset;
        }
        offset += quint32((it.value().size() + 3) / 4 * 4);
    }
    for (const QByteArray& data : tables) {
        font.append(data);
        padTo4(font);
    }
    set32(font, headOffset + 8, 0xB1B0AFBAu - checksum(font));
    return font;
}

}  // namespace tabel::reportengine
