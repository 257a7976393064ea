#pragma once
// A TrueType font read from its tables: glyphs of characters, advances, and a copy cut down to
// the glyphs a document uses for embedding in a PDF. Glyph numbers stay as they are in the cut
// copy (the unused ones are left empty), so text can name glyphs directly. Once loaded it holds
// plain bytes only, so any one thread may use it.

#include <QByteArray>
#include <QList>

#include <functional>
#include <vector>

namespace tabel::reportengine {

// The tables of one TrueType font by tag ("head", "glyf", …); empty when the font has none.
using FontTableFn = std::function<QByteArray(const char* tag)>;

class TrueTypeFont {
public:
    // False when the font has no TrueType outlines or its tables do not fit together.
    bool load(const FontTableFn& table);

    int glyphCount() const { return glyphCount_; }
    // 0, the missing-glyph box, for a character the font lacks.
    quint32 glyphOf(char32_t character) const;
    int unitsPerEm() const { return unitsPerEm_; }
    // In font units.
    int advance(quint32 glyph) const;
    int ascender() const { return ascender_; }
    int descender() const { return descender_; }
    // xMin, yMin, xMax, yMax in font units.
    const int* boundingBox() const { return bbox_; }

    // A font file holding the outlines of `used` (indexed by glyph) and of the glyphs they are
    // composed of; every other glyph is empty.
    QByteArray subset(const std::vector<bool>& used) const;

private:
    QByteArray glyphData(int glyph) const;
    void addComponents(int glyph, std::vector<bool>& keep) const;

    bool loadCharacterMap(const QByteArray& cmap);
    quint32 segmentGlyph(char32_t character) const;
    quint32 groupGlyph(char32_t character) const;

    QByteArray head_, hhea_, maxp_, hmtx_, loca_, glyf_, cvt_, fpgm_, prep_;
    QByteArray characterMap_;  // the Unicode subtable of 'cmap', format 4 or 12
    int characterMapFormat_ = 0;
    int glyphCount_ = 0;
    int unitsPerEm_ = 1000;
    int horizontalMetrics_ = 0;
    bool longOffsets_ = false;
    int ascender_ = 0;
    int descender_ = 0;
    int bbox_[4] = {0, 0, 0, 0};
    std::vector<int> advances_;
};

}  // namespace tabel::reportengine
