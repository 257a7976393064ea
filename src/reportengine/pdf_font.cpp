#include "reportengine/pdf_font.h"

#include <QRawFont>

#include <array>
#include <cmath>
#include <mutex>
#include <optional>

#include "reportengine/pdf_file.h"
#include "reportengine/report_fonts.h"

namespace tabel::reportengine {

namespace {

constexpr qsizetype kMaxCachedTexts = 20000;
// Entries of one bfchar block of a character map, as the format allows.
constexpr int kCMapBlock = 100;

QByteArray number(double value) {
    QByteArray out;
    PdfFile::appendNumber(out, value);
    return out;
}

// The font's name as a PDF name: letters, digits and hyphens.
QByteArray postScriptName(const QString& family, bool bold) {
    QByteArray name;
    for (const QChar c : family) {
        if (c.unicode() < 128 && (c.isLetterOrNumber() || c == QLatin1Char('-'))) {
            name.append(char(c.unicode()));
        }
    }
    if (name.isEmpty()) {
        name = "Font";
    }
    return bold ? name + "-Bold" : name;
}

}  // namespace

namespace {

struct ReportFace {
    QByteArray name;
    std::shared_ptr<const TrueTypeFont> font;  // null: no TrueType outlines
};

ReportFace readReportFace(bool bold) {
    const QRawFont raw = QRawFont::fromFont(reportFont(FontStyle{9.0, bold}));
    if (!raw.isValid()) {
        return {};
    }
    auto font = std::make_shared<TrueTypeFont>();
    if (!font->load([&raw](const char* tag) { return raw.fontTable(tag); })) {
        return {};
    }
    return {postScriptName(raw.familyName(), bold), std::move(font)};
}

// Read by whichever thread asks first; the others wait for it.
ReportFace reportFace(bool bold) {
    static std::mutex mutex;
    static std::array<std::optional<ReportFace>, 2> faces;
    std::lock_guard lock(mutex);
    std::optional<ReportFace>& face = faces[bold ? 1 : 0];
    if (!face) {
        face = readReportFace(bold);
    }
    return *face;
}

}  // namespace

void preloadReportFaces() {
    reportFace(false);
    reportFace(true);
}

std::unique_ptr<PdfFont> PdfFont::load(bool bold) {
    ReportFace face = reportFace(bold);
    if (!face.font) {
        return nullptr;
    }
    return std::unique_ptr<PdfFont>(new PdfFont(bold, face.name, std::move(face.font)));
}

PdfFont::PdfFont(bool bold, const QByteArray& name, std::shared_ptr<const TrueTypeFont> font)
    : bold_(bold),
      name_(name),
      font_(std::move(font)),
      glyphOfChar_(0x10000, -1),
      charOfGlyph_(size_t(font_->glyphCount()), 0) {}

quint32 PdfFont::glyphOf(char32_t character) {
    if (character < 0x10000 && glyphOfChar_[character] >= 0) {
        return quint32(glyphOfChar_[character]);
    }
    const quint32 glyph = font_->glyphOf(character);
    if (character < 0x10000) {
        glyphOfChar_[character] = qint32(glyph);
    }
    if (glyph != 0 && charOfGlyph_[glyph] == 0) {
        charOfGlyph_[glyph] = character;
    }
    return glyph;
}

const PdfFont::Glyphs& PdfFont::glyphs(const QString& text) {
    auto it = cache_.constFind(text);
    if (it != cache_.constEnd()) {
        return *it;
    }
    if (cache_.size() >= kMaxCachedTexts) {
        cache_.clear();
    }
    Glyphs shaped;
    shaped.hex.reserve(text.size() * 4);
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t character = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            character = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        const quint32 glyph = glyphOf(character);
        PdfFile::appendHex4(shaped.hex, glyph);
        shaped.units += font_->advance(glyph);
    }
    return *cache_.insert(text, std::move(shaped));
}

double PdfFont::toMm(long long units, double sizeMm) const {
    return double(units) * sizeMm / font_->unitsPerEm();
}

double PdfFont::ascentMm(double sizeMm) const {
    return toMm(font_->ascender(), sizeMm);
}

double PdfFont::descentMm(double sizeMm) const {
    return toMm(-font_->descender(), sizeMm);
}

QByteArray PdfFont::widths() const {
    QByteArray out = "[";
    const double scale = 1000.0 / font_->unitsPerEm();
    for (size_t glyph = 0; glyph < charOfGlyph_.size(); ++glyph) {
        if (glyph == 0 || charOfGlyph_[glyph] != 0) {
            out.append(QByteArray::number(qulonglong(glyph)));
            out.append(" [");
            out.append(number(std::round(font_->advance(quint32(glyph)) * scale)));
            out.append("] ");
        }
    }
    out.append(']');
    return out;
}

QByteArray PdfFont::toUnicode() const {
    QList<QByteArray> pairs;
    for (size_t glyph = 1; glyph < charOfGlyph_.size(); ++glyph) {
        const char32_t character = charOfGlyph_[glyph];
        if (character == 0) {
            continue;
        }
        QByteArray pair = "<";
        PdfFile::appendHex4(pair, quint32(glyph));
        pair.append("> <");
        for (const QChar unit : QString::fromUcs4(&character, 1)) {
            PdfFile::appendHex4(pair, unit.unicode());
        }
        pair.append(">\n");
        pairs.append(pair);
    }
    QByteArray out =
        "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
        "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
        "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    for (qsizetype from = 0; from < pairs.size(); from += kCMapBlock) {
        const qsizetype count = std::min<qsizetype>(kCMapBlock, pairs.size() - from);
        out.append(QByteArray::number(count) + " beginbfchar\n");
        for (qsizetype i = from; i < from + count; ++i) {
            out.append(pairs[i]);
        }
        out.append("endbfchar\n");
    }
    out.append("endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n");
    return out;
}

void PdfFont::write(PdfFile& file, int fontObject, const QByteArray& subsetTag) const {
    const int cidFont = file.reserve();
    const int descriptor = file.reserve();
    const int program = file.reserve();
    const int unicode = file.reserve();
    const QByteArray name = subsetTag + '+' + name_;
    const double scale = 1000.0 / font_->unitsPerEm();
    const auto scaled = [scale](int units) { return number(std::round(units * scale)); };

    file.object(fontObject, "<< /Type /Font /Subtype /Type0 /BaseFont /" + name +
                                " /Encoding /Identity-H /DescendantFonts [" +
                                QByteArray::number(cidFont) + " 0 R] /ToUnicode " +
                                QByteArray::number(unicode) + " 0 R >>");
    file.object(cidFont,
                "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /" + name +
                    " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>"
                    " /FontDescriptor " +
                    QByteArray::number(descriptor) + " 0 R /CIDToGIDMap /Identity /W " + widths() +
                    " >>");
    const int* box = font_->boundingBox();
    file.object(descriptor, "<< /Type /FontDescriptor /FontName /" + name +
                                " /Flags 4 /FontBBox [" + scaled(box[0]) + ' ' + scaled(box[1]) +
                                ' ' + scaled(box[2]) + ' ' + scaled(box[3]) +
                                "] /ItalicAngle 0 /Ascent " + scaled(font_->ascender()) +
                                " /Descent " + scaled(font_->descender()) + " /CapHeight " +
                                scaled(font_->ascender()) + " /StemV " + (bold_ ? "120" : "80") +
                                " /FontFile2 " + QByteArray::number(program) + " 0 R >>");
    std::vector<bool> used(charOfGlyph_.size());
    for (size_t glyph = 0; glyph < used.size(); ++glyph) {
        used[glyph] = charOfGlyph_[glyph] != 0;
    }
    const QByteArray subset = font_->subset(used);
    file.stream(program, "/Length1 " + QByteArray::number(subset.size()), subset);
    file.stream(unicode, {}, toUnicode());
}

}  // namespace tabel::reportengine
