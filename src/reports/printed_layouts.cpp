// The six printed layouts: their queries and bands.
#include "reports/printed_layout.h"

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

struct Column {
    double x;
    double width;
};

ReportItem text(const QString& caption, Column c, double y = 0, FontStyle font = kNormal,
                Qt::Alignment alignment = kLeft) {
    ReportItem item;
    item.kind = ItemKind::Label;
    item.text = caption;
    item.rect = QRectF(c.x, y, c.width, kLine);
    item.font = font;
    item.alignment = alignment;
    return item;
}

ReportItem field(const QString& expression, Column c, Qt::Alignment alignment = kLeft,
                 const QString& mask = {}, FontStyle font = kNormal, double y = 0) {
    ReportItem item;
    item.kind = ItemKind::Expression;
    item.text = expression;
    item.rect = QRectF(c.x, y, c.width, kLine);
    item.mask = mask;
    item.font = font;
    item.alignment = alignment;
    return item;
}

Band band(std::vector<ReportItem> items, double height = kLine, QColor background = {}) {
    Band b;
    b.height = height;
    b.background = background;
    b.items = std::move(items);
    return b;
}

// The title label (bold) over the column captions, on the report header's colour.
Band periodHeader(double width, std::vector<ReportItem> captions = {}) {
    ReportItem title = text({}, {0, width}, 0, kTitle);
    title.name = QStringLiteral("title");
    title.rect.setHeight(7);
    std::vector<ReportItem> items{title};
    for (ReportItem& caption : captions) {
        caption.rect.moveTop(7);
        items.push_back(caption);
    }
    return band(std::move(items), captions.empty() ? 8 : 7 + kLine + 0.5, kReportHeaderColour);
}

Band groupHeader(const QString& field_, double width, bool grey = true) {
    return band({field(field_, {0, width}, kLeft, {}, kBold)}, kLine,
                grey ? kGroupHeaderColour : QColor());
}

Band reportFooter(std::vector<ReportItem> items) {
    Band b = band(std::move(items), 7, kReportFooterColour);
    for (ReportItem& item : b.items) {
        item.rect.setHeight(7);
    }
    b.ruleAbove = true;
    b.ruleBelow = true;
    return b;
}

Band pageNumberFooter(double width) {
    return band({field(QStringLiteral("PAGENUMBER"), {width - 30, 30}, kRight)}, 6);
}

constexpr double kPortraitWidth = 190.0;

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
    "h_tabel.w_id=person.s_code::t_integer and month=:mnth and",
    "year=:yea group by fio order by fio",
};

const QStringList kWorkersSql = {
    "select person.s_caption fio, sum(smena.kol_vo::numeric-smena.brak) as kolvo, ",
    "sum((kol_vo::numeric-brak)*smena.cena::numeric) as summa,vid_oper.vid,",
    "izdel.nom, oper.naimen, color from accounts_dep.v_worker person,accounts_dep.smena,accounts_dep.izdel,accounts_dep.vid_oper,",
    "accounts_dep.oper where w_id=s_code::integer and izdel.id=smena.i_id and vid_oper.id=oper.vid",
    "and oper.id=smena.o_id and smena.data<:data2 and smena.data>=:data1 ",
    "group by fio, izdel.nom, oper.naimen, vid_oper.vid, color order by fio, izdel.nom",
};

const QStringList kProductsSql = {
    "select sum(smena.kol_vo::numeric-smena.brak) as kolvo, vid_oper.vid,",
    "izdel.nom, oper.naimen, color,  round((izdel.massa::numeric*sum(smena.kol_vo::numeric-smena.brak))::numeric,2) as mass",
    "from accounts_dep.smena,accounts_dep.izdel,accounts_dep.vid_oper, accounts_dep.oper where izdel.id=smena.i_id and vid_oper.id=oper.vid",
    "and oper.id=smena.o_id and smena.data<:data2 and smena.data>=:data1 ",
    "group by izdel.nom,color, oper.naimen, vid_oper.vid, izdel.massa order by izdel.nom",
};

const QStringList kWorkersDetailSql = {
    "select s_caption fio, izdel.marka, vid_oper.vid, oper.naimen, ",
    "sum(smena.kol_vo::numeric) as kolvo, sum(smena.brak) as brk, sum((kol_vo::numeric-brak)*",
    // oper has a cena of its own: the premium's price is the entry's
    "smena.cena::numeric) as summa, color, sum(prize::numeric*(kol_vo::numeric-brak)*smena.cena::numeric/100) as s_prize ",
    "from accounts_dep.v_worker person,accounts_dep.izdel,accounts_dep.oper,accounts_dep.smena,accounts_dep.vid_oper where ",
    "smena.o_id=oper.id and smena.w_id=s_code::integer and smena.i_id=izdel.id ",
    "and smena.o_id=oper.id and w_id=s_code::integer and oper.vid=vid_oper.id ",
    "and smena.data<:data2 and smena.data>=:data1 group by fio, marka, ",
    "vid_oper.vid, oper.naimen, color order by fio, marka, vid_oper.vid, oper.naimen",
};

const QStringList kProductsDetailSql = {
    "select izdel.marka, vid_oper.vid vid, oper.naimen, izdel.nom,",
    "sum(smena.kol_vo::numeric) as kolvo, sum(smena.brak) as brk, ",
    "sum((kol_vo::numeric-brak)*smena.cena::numeric) as summa, color, round((izdel.massa::numeric*sum(smena.kol_vo::numeric))::numeric,2) as mass ",
    "from accounts_dep.izdel,accounts_dep.oper,accounts_dep.smena,accounts_dep.vid_oper where smena.o_id=oper.id and smena.i_id=izdel.id ",
    "and smena.o_id=oper.id and oper.vid=vid_oper.id and smena.data<:data2 and ",
    "smena.data>=:data1 group by izdel.nom, marka, vid_oper.vid, oper.naimen, color,massa ",
    "order by izdel.nom,marka, vid_oper.vid, oper.naimen",
};

const QStringList kRequisitionsSql = {
    "select izdel.marka, vid_oper.vid vid, oper.naimen, izdel.nom, sum(smena.kol_vo::numeric) as kolvo, sum(smena.brak) as brk, ",
    "sum((kol_vo::numeric-brak)*smena.cena::numeric) as summa, color, round((izdel.massa::numeric*sum(smena.kol_vo::numeric))::numeric,2) as mass, doc_in.s_number  ",
    "from accounts_dep.izdel,accounts_dep.oper,accounts_dep.smena,accounts_dep.vid_oper, mnf_doc.doc doc_in where smena.o_id=oper.id and smena.i_id=izdel.id ",
    "and smena.o_id=oper.id and oper.vid=vid_oper.id and smena.data<:data2 and ",
    "smena.data>=:data1 and doc_in.id = smena.id_doc group by  s_number, izdel.nom, marka, vid_oper.vid, oper.naimen, color,massa ",
    "order by s_number, izdel.nom,marka, vid_oper.vid, oper.naimen",
};
// clang-format on

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
    const Column total{kName + 31 * kDay, kWidth - kName - 31 * kDay};

    ReportItem period = text({}, {0, kName}, 0, kBold);
    period.name = QStringLiteral("title");
    Band header = band({period});
    QStringList sum;
    Band detail = band({field(QStringLiteral("fio"), {0, kName}, kLeft, {}, kSmall)});
    for (int day = 1; day <= 31; ++day) {
        const Column c{kName + (day - 1) * kDay, kDay};
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
    report_.detail = detail;
    report_.pageFooter = pageNumberFooter(kWidth);
}

WorkersReportLayout::WorkersReportLayout(data::Connection& connection)
    : PrintedLayout(connection, QStringLiteral("workerPay"), kWorkersSql,
                    QStringLiteral("Отчет по рабочим")),
      workerPay(query()) {
    const Column kind{5, 40}, vid{45, 45}, colour{90, 30}, kolvo{120, 30}, summa{150, 40};
    report_.reportHeader = periodHeader(kPortraitWidth);
    Group worker{QStringLiteral("workerPay.fio"),
                 groupHeader(QStringLiteral("fio"), kPortraitWidth),
                 band({field(QStringLiteral("sum(summa)"), summa, kCentre, "#0.00", kBold)})};
    worker.footer.ruleBelow = true;
    Group product{QStringLiteral("workerPay.nom"),
                  groupHeader(QStringLiteral("nom"), kPortraitWidth, false),
                  band({field(QStringLiteral("sum(kolvo)"), kolvo, kCentre, {}, kBold),
                        field(QStringLiteral("sum(summa)"), summa, kCentre, "#0.000", kBold)})};
    report_.groups = {worker, product};
    report_.detail =
        band({field(kProductKind, kind), field(QStringLiteral("vid"), vid, kCentre),
              field(kColourSuffix, colour), field(QStringLiteral("kolvo"), kolvo, kCentre),
              field(QStringLiteral("summa"), summa, kCentre, "#0.000")});
    report_.reportFooter =
        reportFooter({text(QStringLiteral("Итого:"), {0, 40}, 0, kLarger),
                      field(QStringLiteral("sum(summa)"), summa, kCentre, "#0.00", kLarger)});
    report_.pageFooter = pageNumberFooter(kPortraitWidth);
}

ProductsReportLayout::ProductsReportLayout(data::Connection& connection)
    : PrintedLayout(connection, QStringLiteral("productOutput"), kProductsSql,
                    QStringLiteral("Отчет по продукции")),
      productOutput(query()) {
    const Column kind{5, 40}, vid{45, 45}, colour{90, 35}, mass{125, 30}, kolvo{155, 35};
    report_.reportHeader = periodHeader(
        kPortraitWidth, {text(QStringLiteral("Коробки"), mass, 0, kBold, kCentre),
                         text(QStringLiteral("Количество"), kolvo, 0, kBold, kCentre)});
    report_.groups = {
        Group{QStringLiteral("nom"), groupHeader(QStringLiteral("nom"), kPortraitWidth),
              band({field(QStringLiteral("sum(mass)"), mass, kCentre, {}, kBold),
                    field(QStringLiteral("sum(kolvo)"), kolvo, kCentre, {}, kBold)})}};
    report_.detail =
        band({field(kProductKind, kind), field(QStringLiteral("vid"), vid, kCentre),
              field(kColourSuffix, colour), field(QStringLiteral("mass"), mass, kCentre),
              field(QStringLiteral("kolvo"), kolvo, kCentre)});
    report_.reportFooter =
        reportFooter({text(QStringLiteral("Итого:"), {0, 40}, 0, kLargerPlain),
                      field(QStringLiteral("sum(mass)"), mass, kCentre, "#0", kLargerPlain),
                      field(QStringLiteral("sum(kolvo)"), kolvo, kCentre, {}, kLargerPlain)});
    report_.pageFooter = pageNumberFooter(kPortraitWidth);
}

DetailedWorkersReportLayout::DetailedWorkersReportLayout(data::Connection& connection)
    : PrintedLayout(connection, QStringLiteral("workerDetails"), kWorkersDetailSql,
                    QStringLiteral("Детальный отчет по рабочим")),
      workerDetails(query()) {
    const Column marka{0, 30}, vid{30, 32}, colour{62, 13}, kind{75, 31}, brk{106, 14},
        kolvo{120, 22}, summa{142, 24}, prize{166, 24};
    report_.reportHeader =
        periodHeader(kPortraitWidth, {text(QStringLiteral("Брак"), brk, 0, kBold, kCentre),
                                      text(QStringLiteral("Количество"), kolvo, 0, kBold, kCentre),
                                      text(QStringLiteral("Сумма"), summa, 0, kBold, kCentre),
                                      text(QStringLiteral("Премия"), prize, 0, kBold, kCentre)});
    Band footer = band(
        {field(QStringLiteral("sum(brk)"), brk, kCentre, {}, kBold),
         field(QStringLiteral("sum(kolvo)"), kolvo, kCentre, {}, kBold),
         field(QStringLiteral("sum(summa)"), summa, kCentre, "#0.00", kBold),
         field(QStringLiteral("sum(s_prize)"), prize, kCentre, "#0.00", kBold),
         text(QStringLiteral("Итог:"), kolvo, kLine, kBold, kRight),
         field(QStringLiteral("sum(summa)+sum(s_prize)"), summa, kCentre, "#0.00", kBold, kLine)},
        2 * kLine);
    report_.groups = {
        Group{QStringLiteral("fio"), groupHeader(QStringLiteral("fio"), kPortraitWidth), footer}};
    report_.detail = band({field(QStringLiteral("marka"), marka, kLeft, {}, kSmall),
                           field(QStringLiteral("vid"), vid, kCentre, {}, kSmall),
                           field(QStringLiteral("color"), colour, kCentre, {}, kSmall),
                           field(kProductKind, kind, kLeft, {}, kSmall),
                           field(QStringLiteral("brk"), brk, kCentre, {}, kSmall),
                           field(QStringLiteral("kolvo"), kolvo, kCentre, {}, kSmall),
                           field(QStringLiteral("summa"), summa, kCentre, "#0.00", kSmall),
                           field(QStringLiteral("s_prize"), prize, kCentre, "#0.00", kSmall)},
                          5.0);
    report_.reportFooter =
        reportFooter({text(QStringLiteral("Итого:"), {0, 40}, 0, kLarger),
                      field(QStringLiteral("sum(brk)"), brk, kCentre, {}, kLarger),
                      field(QStringLiteral("sum(kolvo)"), kolvo, kCentre, {}, kLarger),
                      field(QStringLiteral("sum(summa)"), summa, kCentre, "#0.00", kLarger)});
    report_.pageFooter = pageNumberFooter(kPortraitWidth);
}

namespace {

// The detailed products and requisitions reports differ in their grouping and one column.
struct DetailedProductColumns {
    Column marka{0, 30}, vid{30, 32}, colour{62, 13}, kind{75, 31}, brk{106, 14}, middle{120, 24},
        kolvo{144, 22}, summa{166, 24};
};

void buildDetailedProducts(reportengine::ReportDefinition& report, const QString& groupField,
                           const QString& middleCaption, const QString& middleField) {
    const DetailedProductColumns c;
    report.reportHeader =
        periodHeader(kPortraitWidth, {text(QStringLiteral("Брак"), c.brk, 0, kBold, kCentre),
                                      text(middleCaption, c.middle, 0, kBold, kCentre),
                                      text(QStringLiteral("Кол-во"), c.kolvo, 0, kBold, kCentre),
                                      text(QStringLiteral("Сумма"), c.summa, 0, kBold, kCentre)});
    report.groups = {
        Group{groupField, groupHeader(groupField, kPortraitWidth),
              band({field(QStringLiteral("sum(brk)"), c.brk, kCentre, {}, kBold),
                    field(QStringLiteral("sum(mass)"), c.middle, kCentre, "#0.00", kBold),
                    field(QStringLiteral("sum(kolvo)"), c.kolvo, kCentre, {}, kBold),
                    field(QStringLiteral("sum(summa)"), c.summa, kCentre, "#0.00", kBold)})}};
    report.detail =
        band({field(QStringLiteral("marka"), c.marka), field(QStringLiteral("vid"), c.vid),
              field(QStringLiteral("color"), c.colour, kCentre), field(kProductKind, c.kind),
              field(QStringLiteral("brk"), c.brk, kCentre), field(middleField, c.middle, kCentre),
              field(QStringLiteral("kolvo"), c.kolvo, kCentre),
              field(QStringLiteral("summa"), c.summa, kCentre, "#0.000")});
    report.reportFooter = reportFooter(
        {text(QStringLiteral("Итого:"), {0, 40}, 0, kLarger),
         field(QStringLiteral("sum(brk)"), c.brk, kCentre, {}, kLargerPlain),
         field(QStringLiteral("sum(mass)"), c.middle, kCentre, "#0.00", kLargerPlain),
         field(QStringLiteral("sum(kolvo)"), c.kolvo, kCentre, {}, kLargerPlain),
         field(QStringLiteral("sum(summa)"), c.summa, kCentre, "#0.00", kLargerPlain)});
    report.pageFooter = pageNumberFooter(kPortraitWidth);
}

}  // namespace

DetailedProductsReportLayout::DetailedProductsReportLayout(data::Connection& connection)
    : PrintedLayout(connection, QStringLiteral("productDetails"), kProductsDetailSql,
                    QStringLiteral("Детальный отчет по продукции")),
      productDetails(query()) {
    buildDetailedProducts(report_, QStringLiteral("nom"), QStringLiteral("Коробки"),
                          QStringLiteral("mass"));
}

DetailedRequisitionsReportLayout::DetailedRequisitionsReportLayout(data::Connection& connection)
    : PrintedLayout(connection, QStringLiteral("requisitionDetails"), kRequisitionsSql,
                    QStringLiteral("Детальный отчет по заявкам")),
      requisitionDetails(query()) {
    buildDetailedProducts(report_, QStringLiteral("s_number"), QStringLiteral("Номенкл."),
                          QStringLiteral("nom"));
}

}  // namespace tabel::reports
