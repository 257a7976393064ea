#pragma once
// One face of a PDF's texts, plain or bold, at any size: texts turned into glyph numbers and
// widths, and the font objects written at the end with only the glyphs the pages used. Loaded
// on one thread, it may then be used on another: it keeps no font engine, only the font's bytes.

#include <QByteArray>
#include <QHash>
#include <QString>

#include <memory>
#include <vector>

#include "reportengine/truetype_font.h"

namespace tabel::reportengine {

class PdfFile;

// Reads the report font's faces, plain and bold, once for the process. A job that writes a PDF
// calls it on a thread of its own early, so the faces are read while it connects.
void preloadReportFaces();

class PdfFont {
public:
    // The report font's face for one PDF; null when it has no TrueType outlines to embed.
    static std::unique_ptr<PdfFont> load(bool bold);

    struct Glyphs {
        QByteArray hex;       // four hex digits per glyph, for a PDF string
        long long units = 0;  // the advances' sum in font units
    };
    // Report texts are single lines of Cyrillic, Latin and digits: glyphs come straight from
    // the character map, without shaping.
    const Glyphs& glyphs(const QString& text);
    double toMm(long long units, double sizeMm) const;
    double ascentMm(double sizeMm) const;
    double descentMm(double sizeMm) const;

    // Writes the font's objects under `fontObject`, the object the pages name.
    void write(PdfFile& file, int fontObject, const QByteArray& subsetTag) const;

private:
    PdfFont(bool bold, const QByteArray& name, std::shared_ptr<const TrueTypeFont> font);
    quint32 glyphOf(char32_t character);
    QByteArray widths() const;
    QByteArray toUnicode() const;

    bool bold_;
    QByteArray name_;
    std::shared_ptr<const TrueTypeFont> font_;
    std::vector<qint32> glyphOfChar_;    // by UTF-16 unit; -1 not yet looked up
    std::vector<char32_t> charOfGlyph_;  // 0: unused
    QHash<QString, Glyphs> cache_;
};

}  // namespace tabel::reportengine
