#pragma once
// A banded report as plain data: page, bands, groups and the items on them. Sizes in mm.

#include <QColor>
#include <QPageLayout>
#include <QRectF>
#include <QString>

#include <vector>

namespace tabel::reportengine {

struct FontStyle {
    double pointSize = 9.0;
    bool bold = false;
};

enum class ItemKind {
    Label,       // static text; a named label may be retexted before preparing
    Expression,  // a field name or an expression of the report language
    Frame,       // a box, no text
    Rule,        // a horizontal line along the top of its rectangle
};

struct ReportItem {
    ItemKind kind = ItemKind::Label;
    QString text;  // caption of a label, expression otherwise
    QRectF rect;   // relative to the band's top-left corner
    QString mask;  // "#0.00" and the like; empty prints the general format
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    FontStyle font;
    bool framed = false;
    QString name;  // "title": a label the caller retexts
};

struct Band {
    double height = 0.0;  // 0: the band is absent
    QColor background;    // invalid: none
    bool ruleAbove = false;
    bool ruleBelow = false;
    std::vector<ReportItem> items;

    bool present() const { return height > 0.0; }
};

// A level of grouping: the header prints when `expression` changes, the footer when it ends.
// Sums on both bands cover the group's rows and start again after the footer.
struct Group {
    QString expression;
    Band header;
    Band footer;
    // The next group of this level starts a page of its own (one worker a sheet); nothing
    // follows the last one's footer but the report footer.
    bool newPageAfter = false;
};

struct ReportDefinition {
    QString title;  // the preview's caption: "Предварительный просмотр " + title
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    double margin = 10.0;
    bool previewWholePage = false;  // otherwise the preview opens at page width

    Band columnHeader;          // at the top of every page
    Band reportHeader;          // once, before the first row
    std::vector<Group> groups;  // outermost first
    Band detail;
    Band reportFooter;  // once, after the last row; its sums cover the whole report
    Band pageFooter;    // at the bottom of every page

    // The named label's caption; false when there is no such label.
    bool setLabelText(const QString& name, const QString& text);
    QString labelText(const QString& name) const;
};

}  // namespace tabel::reportengine
