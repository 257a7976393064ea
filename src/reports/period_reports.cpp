#include "reports/period_reports.h"

#include "core/decimal.h"
#include "core/expression.h"
#include "core/numbers.h"
#include "core/product_kind.h"
#include "data/dataset.h"
#include "data/month_close.h"
#include "reports/entry_sums.h"
#include "reports/spreadsheet.h"

namespace tabel::reports {

namespace {

QString shortDate(const QDate& date) {
    return date.toString(QStringLiteral("dd.MM.yyyy"));
}

// Closes the query on every way out, so a failed report leaves nothing open.
struct CloseOnExit {
    data::Dataset& query;
    ~CloseOnExit() { query.close(); }
};

template <typename Layout>
std::unique_ptr<PrintedLayout> makeLayout(data::Connection& connection) {
    return std::make_unique<Layout>(connection);
}

// A report's name in its title, and its layout: add a report here.
struct PeriodReportParts {
    PeriodReport report;
    QString name;
    std::unique_ptr<PrintedLayout> (*makeLayout)(data::Connection& connection);
};

const PeriodReportParts kPeriodReports[] = {
    {PeriodReport::Workers, QStringLiteral("Отчет по рабочим"), makeLayout<WorkersReportLayout>},
    {PeriodReport::Products, QStringLiteral("Отчет по продукции"),
     makeLayout<ProductsReportLayout>},
    {PeriodReport::WorkersDetail, QStringLiteral("Детальный отчет по рабочим"),
     makeLayout<DetailedWorkersReportLayout>},
    {PeriodReport::ProductsDetail, QStringLiteral("Детальный отчет по продукции"),
     makeLayout<DetailedProductsReportLayout>},
    {PeriodReport::Requisitions, QStringLiteral("Детальный отчет по заявкам"),
     makeLayout<DetailedRequisitionsReportLayout>},
};

// "Отчет по рабочим (Заготовки) за период с 01.04.2026 по 01.05.2026"
QString periodTitle(const QString& name, const Period& period) {
    const QString kind = kindCaption(period.kind);
    return name + (kind.isEmpty() ? QString() : QStringLiteral(" (") + kind + u')') +
           QStringLiteral(" за период с ") + shortDate(period.from) + QStringLiteral(" по ") +
           shortDate(period.to);
}

const PeriodReportParts* partsOf(PeriodReport report) {
    for (const PeriodReportParts& parts : kPeriodReports) {
        if (parts.report == report) {
            return &parts;
        }
    }
    return nullptr;
}

// A summed quantity as the printed report shows it: whole sums whole, a fraction as it is.
// The dataset holds a whole numeric sum as an integer, any other as its double.
QString quantityText(const QVariant& sum) {
    if (sum.isNull()) {
        return {};
    }
    const core::Decimal exact = sum.typeId() == QMetaType::LongLong
                                    ? core::Decimal::fromInteger(sum.toLongLong())
                                    : core::Decimal::fromStored(sum.toDouble());
    return exact.toDisplayText();
}

}  // namespace

Period previousMonth(const QDate& today) {
    const QDate first(today.year(), today.month(), 1);
    return {first.addMonths(-1), first, ProductKind::All};
}

QString titlePrefix(PeriodReport report) {
    const PeriodReportParts* parts = partsOf(report);
    return parts ? QStringLiteral("   ") + parts->name + QStringLiteral(" за период с ")
                 : QString();
}

QString reportTitle(PeriodReport report, const Period& period) {
    const PeriodReportParts* parts = partsOf(report);
    return parts ? QStringLiteral("   ") + periodTitle(parts->name, period) : QString();
}

QString kindCaption(ProductKind kind) {
    switch (kind) {
        case ProductKind::Finished:
            return core::productKindText(0);
        case ProductKind::Blanks:
            return core::productKindText(1);
        case ProductKind::All:
            break;
    }
    return {};
}

QString productSummaryTitle(const Period& period) {
    return periodTitle(QStringLiteral("Продукция"), period);
}

QString kindFilter(ProductKind kind) {
    switch (kind) {
        case ProductKind::Finished:
            return QStringLiteral("naimen=0");
        case ProductKind::Blanks:
            return QStringLiteral("naimen=1");
        case ProductKind::All:
            break;
    }
    return {};
}

std::unique_ptr<PrintedLayout> makePeriodLayout(PeriodReport report, data::Connection& connection) {
    const PeriodReportParts* parts = partsOf(report);
    return parts ? parts->makeLayout(connection) : nullptr;
}

void applyPeriod(data::Dataset& query, const Period& period) {
    query.setParam(QStringLiteral("data1"), period.from);
    query.setParam(QStringLiteral("data2"), period.to);
    QStringList conditions;
    if (const QString kind = kindFilter(period.kind); !kind.isEmpty()) {
        conditions.append(kind);
    }
    if (!period.worker.isEmpty()) {
        conditions.append(QStringLiteral("fio=") + core::filterLiteral(period.worker));
    }
    const QString filter = conditions.join(QStringLiteral(" and "));
    if (filter.isEmpty()) {
        query.setFiltered(false);
    } else {
        query.setFilter(filter);
        query.setFiltered(true);
    }
}

reportengine::ReportDocument preparePeriodReport(PrintedLayout& layout, PeriodReport report,
                                                 const Period& period) {
    data::Dataset& query = layout.query();
    applyPeriod(query, period);
    CloseOnExit closer{query};
    query.open();
    layout.setTitle(reportTitle(report, period));
    layout.setMark(data::readPeriodMark(*query.connection(), period.from, period.to));
    return layout.prepare();
}

QString writePeriodReportPdf(PrintedLayout& layout, PeriodReport report, const Period& period,
                             const QString& path, int blockRows) {
    data::Dataset& query = layout.query();
    query.close();
    applyPeriod(query, period);
    layout.setTitle(reportTitle(report, period));
    layout.setMark(data::readPeriodMark(*query.connection(), period.from, period.to));
    return layout.streamPdf(path, blockRows);
}

// clang-format off
QStringList productSummarySql() {
    // Sums in numeric: exact decimal from the stored values (15 digits each).
    return {"select " + goodPiecesSum() + " as kolvo, vid_oper.vid,",
            "izdel.nom, oper.naimen, color,izdel.massa::numeric*" + goodPiecesSum() +
            " as mass ",
            "from accounts_dep.smena,accounts_dep.izdel,accounts_dep.vid_oper, accounts_dep.oper where izdel.id=smena.i_id and vid_oper.id=oper.vid",
            "and oper.id=smena.o_id and smena.data<:data2 and smena.data>=:data1 ",
            "group by izdel.nom,color, oper.naimen, vid_oper.vid, izdel.massa order by izdel.nom"};
}
// clang-format on

void writeProductSummary(data::Dataset& summary, Spreadsheet& spreadsheet, const Period& period,
                         const std::function<void(int, int)>& progress, const QString& dataAsOf) {
    spreadsheet.OpenExcel({});
    const int total = summary.recordCount();
    if (progress) {
        progress(0, total);
    }
    // What the sheet holds, the kind chosen included; it widens no column.
    spreadsheet.WriteCell(1, 1, 1, productSummaryTitle(period), true, false, true);
    // A standby's freshness under the title moves the table down a row.
    spreadsheet.WriteCell(1, 1, 2, dataAsOf, true);
    const QStringList captions = {QStringLiteral("Наименование"), QStringLiteral("Операция"),
                                  QStringLiteral("Вид продукции"), QStringLiteral("Коробки"),
                                  QStringLiteral("Кол-во")};
    const int headerRow = dataAsOf.isEmpty() ? 2 : 3;
    for (int c = 0; c < captions.size(); ++c) {
        spreadsheet.WriteCell(1, c + 1, headerRow, captions[c]);
    }
    int row = headerRow + 1;
    for (summary.first(); !summary.eof(); summary.next()) {
        const QString vid = summary.field(QStringLiteral("vid")).asString();
        const QVariant colourValue = summary.field(QStringLiteral("color")).value();
        const qint64 colour = colourValue.toLongLong();
        QString operation = vid;
        if (colour > 0) {
            operation = colour == 1 ? vid + QStringLiteral(" (грунт)")
                                    : vid + QStringLiteral(" (цвет: ") + QString::number(colour) +
                                          QStringLiteral(")");
        }
        const int naimen = summary.field(QStringLiteral("naimen")).value().toInt();
        const QVariant mass = summary.field(QStringLiteral("mass")).value();
        const QVariant kolvo = summary.field(QStringLiteral("kolvo")).value();
        spreadsheet.WriteCell(1, 1, row, summary.field(QStringLiteral("nom")).asString());
        spreadsheet.WriteCell(1, 2, row, operation);
        spreadsheet.WriteCell(1, 3, row, core::productKindText(naimen));
        spreadsheet.WriteCell(1, 4, row,
                              mass.isNull() ? QString() : core::formatGeneral(mass.toDouble()));
        spreadsheet.WriteCell(1, 5, row, quantityText(kolvo));
        ++row;
        if (progress) {
            progress(row - headerRow - 1, total);
        }
    }
}

void saveProductSummary(data::Connection& connection, const Period& period, const QString& path,
                        const QString& dataAsOf) {
    data::Dataset summary(&connection, QStringLiteral("productSummary"));
    summary.setSql(productSummarySql());
    applyPeriod(summary, period);
    CloseOnExit closer{summary};
    summary.open();
    Spreadsheet spreadsheet;
    writeProductSummary(summary, spreadsheet, period, {}, dataAsOf);
    spreadsheet.saveAs(path);
}

}  // namespace tabel::reports
