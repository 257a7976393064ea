#include "xlsx_reader.h"

#include <algorithm>

#include <QList>
#include <QProcess>
#include <QXmlStreamReader>

namespace tabel::test {

namespace {

struct Style {
    QString numberFormat = QStringLiteral("General");
    bool bold = false;
};

// The built-in number formats a test may meet; the rest only need to differ from these.
QString builtInFormat(int id) {
    switch (id) {
        case 0:
            return QStringLiteral("General");
        case 1:
            return QStringLiteral("0");
        case 2:
            return QStringLiteral("0.00");
        case 49:
            return QStringLiteral("@");
        default:
            return QStringLiteral("builtin %1").arg(id);
    }
}

bool unzipMember(const QString& path, const QString& member, QByteArray* out, QString* error) {
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), path, member});
    if (!unzip.waitForFinished(60000) || unzip.exitStatus() != QProcess::NormalExit) {
        *error = QStringLiteral("unzip did not run: %1").arg(unzip.errorString());
        return false;
    }
    if (unzip.exitCode() != 0) {
        *error = QStringLiteral("unzip %1 %2: exit %3 %4")
                     .arg(path, member)
                     .arg(unzip.exitCode())
                     .arg(QString::fromLocal8Bit(unzip.readAllStandardError()));
        return false;
    }
    *out = unzip.readAllStandardOutput();
    return true;
}

// "AB12" → (12, 28).
QPair<int, int> cellPosition(QStringView ref) {
    int column = 0;
    qsizetype i = 0;
    for (; i < ref.size() && ref[i].isLetter(); ++i) {
        column = column * 26 + (ref[i].toUpper().unicode() - u'A' + 1);
    }
    return {ref.mid(i).toInt(), column};
}

QStringList readSheetNames(const QByteArray& xml) {
    QStringList names;
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && reader.name() == u"sheet") {
            names.append(reader.attributes().value(QLatin1StringView("name")).toString());
        }
    }
    return names;
}

// Concatenates every <t> inside each <si>, so rich-text runs read as one string.
QStringList readSharedStrings(const QByteArray& xml) {
    QStringList strings;
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement()) {
            continue;
        }
        if (reader.name() == u"si") {
            strings.append(QString());
        } else if (reader.name() == u"t" && !strings.isEmpty()) {
            strings.last() += reader.readElementText();
        }
    }
    return strings;
}

QList<Style> readStyles(const QByteArray& xml) {
    QMap<int, QString> customFormats;
    QList<bool> boldFonts;
    QList<Style> styles;
    QXmlStreamReader reader(xml);
    QString sectionName;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isEndElement() && reader.name() == sectionName) {
            sectionName.clear();
            continue;
        }
        if (!reader.isStartElement()) {
            continue;
        }
        const QStringView name = reader.name();
        const auto attrs = reader.attributes();
        if (name == u"numFmts" || name == u"fonts" || name == u"cellXfs" ||
            name == u"cellStyleXfs" || name == u"dxfs") {
            sectionName = name.toString();
        } else if (name == u"numFmt") {
            customFormats.insert(attrs.value(QLatin1StringView("numFmtId")).toInt(),
                                 attrs.value(QLatin1StringView("formatCode")).toString());
        } else if (name == u"font" && sectionName == u"fonts") {
            boldFonts.append(false);
        } else if (name == u"b" && sectionName == u"fonts" && !boldFonts.isEmpty()) {
            const QStringView val = attrs.value(QLatin1StringView("val"));
            boldFonts.last() = val.isEmpty() || val == u"1" || val == u"true";
        } else if (name == u"xf" && sectionName == u"cellXfs") {
            Style style;
            const int formatId = attrs.value(QLatin1StringView("numFmtId")).toInt();
            style.numberFormat = customFormats.value(formatId, builtInFormat(formatId));
            const int fontId = attrs.value(QLatin1StringView("fontId")).toInt();
            style.bold = fontId < boldFonts.size() && boldFonts[fontId];
            styles.append(style);
        }
    }
    return styles;
}

void readSheet(const QByteArray& xml, const QStringList& strings, const QList<Style>& styles,
               XlsxBook* book) {
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement()) {
            continue;
        }
        const auto attrs = reader.attributes();
        if (reader.name() == u"col") {
            const int first = attrs.value(QLatin1StringView("min")).toInt();
            const int last = std::min(attrs.value(QLatin1StringView("max")).toInt(), 16384);
            for (int c = first; c <= last; ++c) {
                book->columnWidths.insert(c, attrs.value(QLatin1StringView("width")).toDouble());
            }
            continue;
        }
        if (reader.name() != u"c") {
            continue;
        }
        const QPair<int, int> position = cellPosition(attrs.value(QLatin1StringView("r")));
        const QString type = attrs.value(QLatin1StringView("t")).toString();
        const int styleIndex = attrs.value(QLatin1StringView("s")).toInt();
        XlsxCell cell;
        if (styleIndex < styles.size()) {
            cell.numberFormat = styles[styleIndex].numberFormat;
            cell.bold = styles[styleIndex].bold;
        } else {
            cell.numberFormat = QStringLiteral("General");
        }
        cell.isNumber = type.isEmpty() || type == u"n";
        // Collect <v> or the <t> of an inline string up to the end of this <c>.
        while (!(reader.isEndElement() && reader.name() == u"c") && !reader.atEnd()) {
            reader.readNext();
            if (reader.isStartElement() && (reader.name() == u"v" || reader.name() == u"t")) {
                cell.value += reader.readElementText();
            }
        }
        if (type == u"s") {
            cell.value = strings.value(cell.value.toInt());
        }
        book->cells.insert(position, cell);
    }
}

}  // namespace

XlsxBook readXlsx(const QString& path) {
    XlsxBook book;
    QByteArray workbook, shared, styles, sheet;
    if (!unzipMember(path, QStringLiteral("xl/workbook.xml"), &workbook, &book.error) ||
        !unzipMember(path, QStringLiteral("xl/styles.xml"), &styles, &book.error) ||
        !unzipMember(path, QStringLiteral("xl/worksheets/sheet1.xml"), &sheet, &book.error)) {
        return book;
    }
    QString ignored;
    // A workbook without any string has no shared-strings part.
    unzipMember(path, QStringLiteral("xl/sharedStrings.xml"), &shared, &ignored);
    book.sheetNames = readSheetNames(workbook);
    readSheet(sheet, readSharedStrings(shared), readStyles(styles), &book);
    book.ok = true;
    return book;
}

}  // namespace tabel::test
