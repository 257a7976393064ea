// The printed layouts: their queries and bands.
#include "reports/printed_layout.h"

#include <stdexcept>

#include "reports/entry_sums.h"

namespace tabel::reports {

using reportengine::Band;
using reportengine::FontStyle;
using reportengine::Group;
using reportengine::ItemKind;
using reportengine::ReportItem;

namespace {

const QColor kReportHeaderColour(244, 244, 244);
const QColor kGroupHeaderColour(224, 224, 224);
const QColor kReportFooterColour(220, 220, 220);

const QString kProductKind = QStringLiteral("IF(naimen=0,'Готовая продукция','Заготовки')");
const QString kColourSuffix =
    QStringLiteral("if(color>0,if(color=1,' (грунт)',' (RAL: '+STR(color)+')'),' ')");

constexpr double kLine = 5.5;  // mm, one line of 9 pt type
const FontStyle kNormal{9.0, false};
const FontStyle kBold{9.0, true};
const FontStyle kSmall{8.0, false};
const FontStyle kLarger{11.0, true};
const FontStyle kLargerPlain{11.0, false};
const FontStyle kTitle{11.0, true};

constexpr Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignVCenter;
constexpr Qt::Alignment kCentre = Qt::AlignCenter;
constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;

// Where an item stands across its band.
struct Span {
    double x;
    double width;
};

ReportItem item(ItemKind kind, const QString& text, Span c, double y, FontStyle font,
                Qt::Alignment alignment, const QString& mask = {}) {
    ReportItem item;
    item.kind = kind;
    item.text = text;
    item.rect = QRectF(c.x, y, c.width, kLine);
    item.mask = mask;
    item.font = font;
    item.alignment = alignment;
    return item;
}

ReportItem text(const QString& caption, Span c, double y = 0, FontStyle font = kNormal,
                Qt::Alignment alignment = kLeft) {
    return item(ItemKind::Label, caption, c, y, font, alignment);
}

ReportItem field(const QString& expression, Span c, Qt::Alignment alignment = kLeft,
                 const QString& mask = {}, FontStyle font = kNormal, double y = 0) {
    return item(ItemKind::Expression, expression, c, y, font, alignment, mask);
}

Band band(std::vector<ReportItem> items, double height = kLine, QColor background = {}) {
    Band b;
    b.height = height;
    b.background = background;
    b.items = std::move(items);
    return b;
}

Band pageNumberFooter(double width) {
    return band({field(QStringLiteral("PAGENUMBER"), {width - 30, 30}, kRight)}, 6);
}

constexpr double kPortraitWidth = 190.0;

// The label named "mark" (PrintedLayout::setMark), at `y` across the page.
ReportItem markLabel(double width, double y) {
    ReportItem mark = text({}, {0, width}, y);
    mark.name = QStringLiteral("mark");
    return mark;
}

// A column of a period report: its detail line's expression, the caption over it in the
// report header, and the field whose sums the total rows print in it.
struct Column {
    Span span;
    QString expression;
    Qt::Alignment alignment = kCentre;
    QString mask{};     // of the detail line
    QString caption{};  // empty: none
    QString summed{};   // empty: the expression itself

    const QString& sumField() const { return summed.isEmpty() ? expression : summed; }
};

// A sum in a total row: of `field`, in the column that sums it.
struct Sum {
    QString field;
    QString mask{};
};

// A level of grouping: `expression` breaks it, `field` heads it.
struct GroupColumns {
    QString expression;
    QString field;
    std::vector<Sum> sums;  // the footer's, in bold
    bool grey = true;       // the header's fill
    bool ruleBelow = false;
};

// A period report as a table of columns: everything but the columns, groups and totals is the
// same for all of them.
struct PeriodColumns {
    std::vector<Column> columns;
    std::vector<GroupColumns> groups;
    std::vector<Sum> totals;  // the report footer's, after "Итого:"
    FontStyle totalCaptionFont = kLarger;
    FontStyle totalFont = kLarger;
    FontStyle detailFont = kNormal;
    double detailHeight = kLine;

    const Column& summing(const QString& field) const {
        for (const Column& c : columns) {
            if (c.sumField() == field) {
                return c;
            }
        }
        throw std::logic_error("no column sums " + field.toStdString());
    }

    std::vector<ReportItem> sums(const std::vector<Sum>& which, FontStyle font) const {
        std::vector<ReportItem> items;
        for (const Sum& sum : which) {
            items.push_back(field(QStringLiteral("sum(%1)").arg(sum.field), summing(sum.field).span,
                                  kCentre, sum.mask, font));
        }
        return items;
    }

    // The title label (bold) and the month's mark under it, over the column captions, on the
    // report header's colour.
    Band header() const {
        ReportItem title = text({}, {0, kPortraitWidth}, 0, kTitle);
        title.name = QStringLiteral("title");
        title.rect.setHeight(7);
        std::vector<ReportItem> items{title, markLabel(kPortraitWidth, 7)};
        constexpr double kCaptions = 7 + kLine;
        bool captioned = false;
        for (const Column& c : columns) {
            if (!c.caption.isEmpty()) {
                items.push_back(text(c.caption, c.span, kCaptions, kBold, kCentre));
                captioned = true;
            }
        }
        const double height = captioned ? kCaptions + kLine + 0.5 : kCaptions + 0.5;
        return band(std::move(items), height, kReportHeaderColour);
    }

    Band detail() const {
        std::vector<ReportItem> items;
        for (const Column& c : columns) {
            items.push_back(field(c.expression, c.span, c.alignment, c.mask, detailFont));
        }
        return band(std::move(items), detailHeight);
    }

    Group group(const GroupColumns& g) const {
        Group group{g.expression,
                    band({field(g.field, {0, kPortraitWidth}, kLeft, {}, kBold)}, kLine,
                         g.grey ? kGroupHeaderColour : QColor()),
                    band(sums(g.sums, kBold))};
        group.footer.ruleBelow = g.ruleBelow;
        return group;
    }

    Band footer() const {
        std::vector<ReportItem> items{text(QStringLiteral("Итого:"), {0, 40}, 0, totalCaptionFont)};
        for (ReportItem& sum : sums(totals, totalFont)) {
            items.push_back(std::move(sum));
        }
        Band b = band(std::move(items), 7, kReportFooterColour);
        for (ReportItem& item : b.items) {
            item.rect.setHeight(7);
        }
        b.ruleAbove = true;
        b.ruleBelow = true;
        return b;
    }

    void build(reportengine::ReportDefinition& report) const {
        report.reportHeader = header();
        report.groups.clear();
        for (const GroupColumns& g : groups) {
            report.groups.push_back(group(g));
        }
        report.detail = detail();
        report.reportFooter = footer();
        report.pageFooter = pageNumberFooter(kPortraitWidth);
    }
};

// The statements, line by line as they are stored. Sums of the double columns run in numeric
// (float8 to numeric keeps the 15 digits a value was written with), so a line's total is
// exact decimal.
// clang-format off
const QStringList kMonthHoursSql = {
    "select person.s_caption fio,sum(d1) as sd1,sum(d2) as sd2,sum(d3) as sd3,sum(d4) as sd4,",
    "sum(d5) as sd5,sum(d6) as sd6,sum(d7) as sd7,sum(d8) as sd8,sum(d9) as sd9,",
    "sum(d10) as sd10,sum(d11) as sd11,sum(d12) as sd12,sum(d13) as sd13,",
    "sum(d14) as sd14,sum(d15) as sd15,sum(d16) as sd16,sum(d17) as sd17,",
    "sum(d18) as sd18,sum(d19) as sd19,sum(d20) as sd20,sum(d21) as sd21,",
    "sum(d22) as sd22,sum(d23) as sd23,sum(d24) as sd24,sum(d25) as sd25,",
    "sum(d26) as sd26,sum(d27) as sd27,sum(d28) as sd28,sum(d29) as sd29,",
    "sum(d30) as sd30,sum(d31) as sd31 from accounts_dep.h_tabel, accounts_dep.v_worker person where",
    "h_tabel.w_id=person.s_code::public.t_integer and month=:mnth and",
    "year=:yea group by fio order by fio",
};

const QStringList kWorkersSql = {
    "select person.s_caption fio, " + goodPiecesSum() + " as kolvo, ",
    paySum() + " as summa,vid_oper.vid,",
    "izdel.nom, oper.naimen, color from accounts_dep.v_worker person,accounts_dep.smena,accounts_dep.izdel,accounts_dep.vid_oper,",
    "accounts_dep.oper where w_id=s_code::integer and izdel.id=smena.i_id and vid_oper.id=oper.vid",
    "and oper.id=smena.o_id and smena.data<:data2 and smena.data>=:data1 ",
    "group by fio, izdel.nom, oper.naimen, vid_oper.vid, color order by fio, izdel.nom",
};

const QStringList kProductsSql = {
    "select " + goodPiecesSum() + " as kolvo, vid_oper.vid,",
    "izdel.nom, oper.naimen, color,  round((izdel.massa::numeric*" + goodPiecesSum() + ")::numeric,2) as mass",
    "from accounts_dep.smena,accounts_dep.izdel,accounts_dep.vid_oper, accounts_dep.oper where izdel.id=smena.i_id and vid_oper.id=oper.vid",
    "and oper.id=smena.o_id and smena.data<:data2 and smena.data>=:data1 ",
    "group by izdel.nom,color, oper.naimen, vid_oper.vid, izdel.massa order by izdel.nom",
};

const QStringList kWorkersDetailSql = {
    "select s_caption fio, izdel.marka, vid_oper.vid, oper.naimen, ",
    "sum(smena.kol_vo::numeric) as kolvo, sum(smena.brak) as brk, ",
    // oper has a cena of its own: the premium's price is the entry's
    paySum() + " as summa, color, " + premiumSum() + " as s_prize ",
    "from accounts_dep.v_worker person,accounts_dep.izdel,accounts_dep.oper,accounts_dep.smena,accounts_dep.vid_oper where ",
    "smena.o_id=oper.id and smena.w_id=s_code::integer and smena.i_id=izdel.id ",
    "and smena.o_id=oper.id and w_id=s_code::integer and oper.vid=vid_oper.id ",
    "and smena.data<:data2 and smena.data>=:data1 group by fio, marka, ",
    "vid_oper.vid, oper.naimen, color order by fio, marka, vid_oper.vid, oper.naimen",
};

const QStringList kProductsDetailSql = {
    "select izdel.marka, vid_oper.vid vid, oper.naimen, izdel.nom,",
    "sum(smena.kol_vo::numeric) as kolvo, sum(smena.brak) as brk, ",
    paySum() + " as summa, color, round((izdel.massa::numeric*sum(smena.kol_vo::numeric))::numeric,2) as mass ",
    "from accounts_dep.izdel,accounts_dep.oper,accounts_dep.smena,accounts_dep.vid_oper where smena.o_id=oper.id and smena.i_id=izdel.id ",
    "and smena.o_id=oper.id and oper.vid=vid_oper.id and smena.data<:data2 and ",
    "smena.data>=:data1 group by izdel.nom, marka, vid_oper.vid, oper.naimen, color,massa ",
    "order by izdel.nom,marka, vid_oper.vid, oper.naimen",
};

const QStringList kRequisitionsSql = {
    "select izdel.marka, vid_oper.vid vid, oper.naimen, izdel.nom, sum(smena.kol_vo::numeric) as kolvo, sum(smena.brak) as brk, ",
    paySum() + " as summa, color, round((izdel.massa::numeric*sum(smena.kol_vo::numeric))::numeric,2) as mass, doc_in.s_number  ",
    "from accounts_dep.izdel,accounts_dep.oper,accounts_dep.smena,accounts_dep.vid_oper, mnf_doc.doc doc_in where smena.o_id=oper.id and smena.i_id=izdel.id ",
    "and smena.o_id=oper.id and oper.vid=vid_oper.id and smena.data<:data2 and ",
    "smena.data>=:data1 and doc_in.id = smena.id_doc group by  s_number, izdel.nom, marka, vid_oper.vid, oper.naimen, color,massa ",
    "order by s_number, izdel.nom,marka, vid_oper.vid, oper.naimen",
};

// The hours of a timesheet row (one worker, shift and month): d1 to d31 added.
QString monthHoursSum() {
    QStringList days;
    for (int day = 1; day <= 31; ++day) {
        days.append(QStringLiteral("t.d%1").arg(day));
    }
    return days.join(u'+');
}

// The pay sheets: the months the period touches (k counts months from year 0), each worker's
// hours in them (all shifts), the entries; a worker chosen by code gets his row even without
// entries, every worker only with them.
const QStringList kPayslipSql = {
    "with months as (select k / 12 as y, k % 12 + 1 as mo from generate_series(",
    "  (extract(year from :data1::date) * 12 + extract(month from :data1::date) - 1)::integer,",
    "  (extract(year from :data2::date - 1) * 12 + extract(month from :data2::date - 1) - 1)::integer) k),",
    "worker_months as (select t.w_id, months.y, months.mo, sum(" + monthHoursSum() + ") as h",
    "  from accounts_dep.h_tabel t, months where t.year = months.y and t.month = months.mo",
    "  group by t.w_id, months.y, months.mo),",
    "worker_hours as (select w_id, sum(h) as hours, case when (select count(*) from months) > 1",
    "  then '(' || string_agg(lpad(mo::text, 2, '0') || '.' || y || ' - ' || h, ', ' order by y, mo) || ')' end as hours_by_month",
    "  from worker_months group by w_id),",
    "entries as (select smena.id, smena.w_id, smena.data, smena.smena, izdel.marka,",
    "  vid_oper.vid || case when smena.color = 1 then ' (грунт)' when smena.color > 1 then ' (RAL: ' || smena.color || ')' else '' end as oper,",
    "  smena.kol_vo::numeric as kolvo, smena.brak as brk, smena.cena::numeric as cena,",
    "  " + entryPay() + " as summa, " + entryPremium() + " as s_prize",
    "  from accounts_dep.smena, accounts_dep.izdel, accounts_dep.oper, accounts_dep.vid_oper",
    "  where smena.i_id = izdel.id and smena.o_id = oper.id and oper.vid = vid_oper.id",
    "  and smena.data < :data2 and smena.data >= :data1 and (:all_workers = 1 or smena.w_id = :w_code))",
    "select person.s_code, person.s_caption fio, e.data, e.smena, e.marka, e.oper, e.kolvo, e.brk,",
    "  e.cena, e.summa, e.s_prize, coalesce(h.hours, 0) as hours, h.hours_by_month",
    "from accounts_dep.v_worker person left join entries e on e.w_id = person.s_code",
    "left join worker_hours h on h.w_id = person.s_code",
    "where (:all_workers = 1 and e.id is not null) or (:all_workers = 0 and person.s_code = :w_code)",
    "order by fio, person.s_code, e.data, e.smena, e.id",
};
// clang-format on

// The product's kind, its operation and the colour, first in both summary reports.
std::vector<Column> kindOperationColour(double colourWidth, std::vector<Column> rest) {
    std::vector<Column> columns{{{5, 40}, kProductKind, kLeft},
                                {{45, 45}, QStringLiteral("vid")},
                                {{90, colourWidth}, kColourSuffix, kLeft}};
    columns.insert(columns.end(), rest.begin(), rest.end());
    return columns;
}

// The mark, the operation, the colour's number and the product's kind, first in the detailed
// reports.
std::vector<Column> markOperationColourKind(Qt::Alignment operation, std::vector<Column> rest) {
    std::vector<Column> columns{{{0, 30}, QStringLiteral("marka"), kLeft},
                                {{30, 32}, QStringLiteral("vid"), operation},
                                {{62, 13}, QStringLiteral("color")},
                                {{75, 31}, kProductKind, kLeft}};
    columns.insert(columns.end(), rest.begin(), rest.end());
    return columns;
}

const PeriodColumns kWorkersColumns{
    .columns =
        kindOperationColour(30, {{{120, 30}, "kolvo"}, {{150, 40}, "summa", kCentre, "#0.000"}}),
    .groups = {{.expression = "workerPay.fio",
                .field = "fio",
                .sums = {{"summa", "#0.00"}},
                .ruleBelow = true},
               {.expression = "workerPay.nom",
                .field = "nom",
                .sums = {{"kolvo"}, {"summa", "#0.000"}},
                .grey = false}},
    .totals = {{"summa", "#0.00"}},
};

const PeriodColumns kProductsColumns{
    .columns = kindOperationColour(35, {{{125, 30}, "mass", kCentre, {}, "Коробки"},
                                        {{155, 35}, "kolvo", kCentre, {}, "Количество"}}),
    .groups = {{"nom", "nom", {{"mass"}, {"kolvo"}}}},
    .totals = {{"mass", "#0"}, {"kolvo"}},
    .totalCaptionFont = kLargerPlain,
    .totalFont = kLargerPlain,
};

const PeriodColumns kDetailedWorkersColumns{
    .columns =
        markOperationColourKind(kCentre, {{{106, 14}, "brk", kCentre, {}, "Брак"},
                                          {{120, 22}, "kolvo", kCentre, {}, "Количество"},
                                          {{142, 24}, "summa", kCentre, "#0.00", "Сумма"},
                                          {{166, 24}, "s_prize", kCentre, "#0.00", "Премия"}}),
    .groups = {{"fio", "fio", {{"brk"}, {"kolvo"}, {"summa", "#0.00"}, {"s_prize", "#0.00"}}}},
    .totals = {{"brk"}, {"kolvo"}, {"summa", "#0.00"}},
    .detailFont = kSmall,
    .detailHeight = 5.0,
};

// The detailed products and requisitions reports differ in their grouping and one column, which
// sums the boxes either way.
PeriodColumns detailedProductColumns(const QString& groupField, const QString& middleCaption,
                                     const QString& middleField) {
    return {
        .columns = markOperationColourKind(
            kLeft, {{{106, 14}, "brk", kCentre, {}, "Брак"},
                    {{120, 24}, middleField, kCentre, {}, middleCaption, "mass"},
                    {{144, 22}, "kolvo", kCentre, {}, "Кол-во"},
                    {{166, 24}, "summa", kCentre, "#0.000", "Сумма"}}),
        .groups = {{groupField,
                    groupField,
                    {{"brk"}, {"mass", "#0.00"}, {"kolvo"}, {"summa", "#0.00"}}}},
        .totals = {{"brk"}, {"mass", "#0.00"}, {"kolvo"}, {"summa", "#0.00"}},
        .totalFont = kLargerPlain,
    };
}

}  // namespace

TimesheetLayout::TimesheetLayout(data::Connection& connection)
    : PrintedLayout(connection, QStringLiteral("monthHours"), kMonthHoursSql,
                    QStringLiteral("Табель")),
      monthHours(query()) {
    report_.orientation = QPageLayout::Landscape;
    report_.previewWholePage = true;
    constexpr double kWidth = 277.0;
    constexpr double kName = 55.0;
    constexpr double kDay = 6.5;
    const Span total{kName + 31 * kDay, kWidth - kName - 31 * kDay};

    ReportItem period = text({}, {0, kName}, 0, kBold);
    period.name = QStringLiteral("title");
    Band header = band({period});
    QStringList sum;
    Band detail = band({field(QStringLiteral("fio"), {0, kName}, kLeft, {}, kSmall)});
    for (int day = 1; day <= 31; ++day) {
        const Span c{kName + (day - 1) * kDay, kDay};
        ReportItem number = text(QString::number(day), c, 0, kBold, kCentre);
        number.framed = true;
        header.items.push_back(number);
        ReportItem hours = field(QStringLiteral("sd%1").arg(day), c, kCentre, {}, kSmall);
        hours.framed = true;
        detail.items.push_back(hours);
        sum.append(QStringLiteral("sd%1").arg(day));
    }
    header.items.push_back(text(QStringLiteral("Итого"), total, 0, kBold, kCentre));
    detail.items.push_back(
        field(sum.join(QLatin1Char('+')), total, kCentre, {}, FontStyle{8.0, true}));
    header.ruleAbove = header.ruleBelow = true;
    detail.ruleAbove = detail.ruleBelow = true;
    report_.columnHeader = header;
    report_.reportHeader = band({markLabel(kWidth, 0)});
    report_.detail = detail;
    report_.pageFooter = pageNumberFooter(kWidth);
}

WorkersReportLayout::WorkersReportLayout(data::Connection& connection)
    : PrintedLayout(connection, QStringLiteral("workerPay"), kWorkersSql,
                    QStringLiteral("Отчет по рабочим")),
      workerPay(query()) {
    kWorkersColumns.build(report_);
}

ProductsReportLayout::ProductsReportLayout(data::Connection& connection)
    : PrintedLayout(connection, QStringLiteral("productOutput"), kProductsSql,
                    QStringLiteral("Отчет по продукции")),
      productOutput(query()) {
    kProductsColumns.build(report_);
}

DetailedWorkersReportLayout::DetailedWorkersReportLayout(data::Connection& connection)
    : PrintedLayout(connection, QStringLiteral("workerDetails"), kWorkersDetailSql,
                    QStringLiteral("Детальный отчет по рабочим")),
      workerDetails(query()) {
    const PeriodColumns& columns = kDetailedWorkersColumns;
    columns.build(report_);
    // A second line under the worker's sums: his pay and premium together.
    Band& footer = report_.groups.front().footer;
    footer.items.push_back(
        text(QStringLiteral("Итог:"), columns.summing("kolvo").span, kLine, kBold, kRight));
    footer.items.push_back(field(QStringLiteral("sum(summa)+sum(s_prize)"),
                                 columns.summing("summa").span, kCentre, "#0.00", kBold, kLine));
    footer.height = 2 * kLine;
}

DetailedProductsReportLayout::DetailedProductsReportLayout(data::Connection& connection)
    : PrintedLayout(connection, QStringLiteral("productDetails"), kProductsDetailSql,
                    QStringLiteral("Детальный отчет по продукции")),
      productDetails(query()) {
    detailedProductColumns(QStringLiteral("nom"), QStringLiteral("Коробки"), QStringLiteral("mass"))
        .build(report_);
}

DetailedRequisitionsReportLayout::DetailedRequisitionsReportLayout(data::Connection& connection)
    : PrintedLayout(connection, QStringLiteral("requisitionDetails"), kRequisitionsSql,
                    QStringLiteral("Детальный отчет по заявкам")),
      requisitionDetails(query()) {
    detailedProductColumns(QStringLiteral("s_number"), QStringLiteral("Номенкл."),
                           QStringLiteral("nom"))
        .build(report_);
}

PayslipLayout::PayslipLayout(data::Connection& connection)
    : PrintedLayout(connection, QStringLiteral("workerEntries"), kPayslipSql,
                    QStringLiteral("Расчетный листок")),
      workerEntries(query()) {
    struct Cell {
        Span span;
        QString caption;
        QString expression;
        Qt::Alignment alignment;
        QString mask;
    };
    const Cell cells[] = {
        {{0, 18}, QStringLiteral("Дата"), QStringLiteral("data"), kCentre, {}},
        {{18, 13}, QStringLiteral("Смена"), QStringLiteral("smena"), kCentre, {}},
        {{31, 26}, QStringLiteral("Изделие"), QStringLiteral("marka"), kLeft, {}},
        {{57, 43}, QStringLiteral("Операция"), QStringLiteral("oper"), kLeft, {}},
        {{100, 16}, QStringLiteral("Кол-во"), QStringLiteral("kolvo"), kCentre, {}},
        {{116, 12}, QStringLiteral("Брак"), QStringLiteral("brk"), kCentre, {}},
        {{128, 18}, QStringLiteral("Цена"), QStringLiteral("cena"), kCentre, "#0.00##"},
        {{146, 22}, QStringLiteral("Сумма"), QStringLiteral("summa"), kCentre, "#0.00"},
        {{168, 22}, QStringLiteral("Премия"), QStringLiteral("s_prize"), kCentre, "#0.00"},
    };
    const auto spanOf = [&cells](const char* expression) {
        for (const Cell& c : cells) {
            if (c.expression == QLatin1String(expression)) {
                return c.span;
            }
        }
        throw std::logic_error(std::string("no column ") + expression);
    };

    // Every sheet heads with the title and the month's mark under it, then the captions.
    ReportItem title = text({}, {0, kPortraitWidth}, 0, kTitle);
    title.name = QStringLiteral("title");
    title.rect.setHeight(7);
    Band header =
        band({title, markLabel(kPortraitWidth, 7)}, 7 + 2 * kLine + 0.5, kReportHeaderColour);
    Band detail = band({}, 5.0);
    for (const Cell& c : cells) {
        header.items.push_back(text(c.caption, c.span, 7 + kLine, kBold, kCentre));
        detail.items.push_back(field(c.expression, c.span, c.alignment, c.mask, kSmall));
    }
    report_.columnHeader = header;
    report_.detail = detail;

    Band footer =
        band({text(QStringLiteral("Итого:"), {0, 57}, 0, kBold),
              field(QStringLiteral("sum(kolvo)"), spanOf("kolvo"), kCentre, {}, kBold),
              field(QStringLiteral("sum(brk)"), spanOf("brk"), kCentre, {}, kBold),
              field(QStringLiteral("sum(summa)"), spanOf("summa"), kCentre, "#0.00", kBold),
              field(QStringLiteral("sum(s_prize)"), spanOf("s_prize"), kCentre, "#0.00", kBold),
              text(QStringLiteral("Итого с премией:"), {57, 89}, kLine, kBold, kRight),
              field(QStringLiteral("sum(summa)+sum(s_prize)"), spanOf("summa"), kCentre, "#0.00",
                    kBold, kLine)},
             3 * kLine);
    ReportItem hoursCaption = text({}, {0, 100}, 2 * kLine, kNormal, kRight);
    hoursCaption.name = QStringLiteral("hoursCaption");
    footer.items.push_back(hoursCaption);
    footer.items.push_back(
        field(QStringLiteral("hours"), spanOf("kolvo"), kCentre, {}, kBold, 2 * kLine));
    footer.items.push_back(
        field(QStringLiteral("hours_by_month"), {116, 74}, kLeft, {}, kNormal, 2 * kLine));
    footer.ruleAbove = true;
    Group worker{QStringLiteral("s_code"),
                 band({field(QStringLiteral("'Рабочий: '+fio+', код '+STR(s_code)"),
                             {0, kPortraitWidth}, kLeft, {}, kBold)},
                      kLine, kGroupHeaderColour),
                 footer};
    worker.newPageAfter = true;
    report_.groups = {worker};
    report_.pageFooter = pageNumberFooter(kPortraitWidth);
}

}  // namespace tabel::reports
