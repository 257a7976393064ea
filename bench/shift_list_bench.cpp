// The shift list on a plant's ten years of entries with thousands on one date: opening it,
// painting every cell and sorting it, against a plain fetch of the same statement.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDate>
#include <QSqlQuery>
#include <QSqlRecord>

#include "data/connection_string.h"
#include "data/data_module.h"
#include "widgets/data_grid.h"

namespace {

tabel::data::TDataModule6* g_dm = nullptr;

void openShiftOne() {
    tabel::data::Dataset& list = g_dm->Smena1;
    list.close();
    list.setParam(QStringLiteral("data"), QDate::currentDate());
    list.setParam(QStringLiteral("ok"), QStringLiteral("ta"));
    list.open();
}

// Baseline: the same statement fetched row by row without keeping anything.
void BM_PlainFetch(benchmark::State& state) {
    QString text = g_dm->Smena1.statement();
    text.replace(QStringLiteral(":data"), QStringLiteral("current_date"));
    text.replace(QStringLiteral(":ok"), QStringLiteral("'ta'"));
    for (auto _ : state) {
        QSqlQuery query(g_dm->ADO_DB.database());
        query.setForwardOnly(true);
        query.exec(text);
        const int columns = query.record().count();
        int64_t rows = 0;
        while (query.next()) {
            for (int c = 0; c < columns; ++c) {
                benchmark::DoNotOptimize(query.value(c));
            }
            ++rows;
        }
        state.counters["rows"] = double(rows);
    }
}
BENCHMARK(BM_PlainFetch)->Unit(benchmark::kMillisecond);

void BM_OpenShiftList(benchmark::State& state) {
    for (auto _ : state) {
        openShiftOne();
        state.counters["rows"] = g_dm->Smena1.recordCount();
    }
}
BENCHMARK(BM_OpenShiftList)->Unit(benchmark::kMillisecond);

// Every visible cell's text, colour and font, as a grid asks for them.
void BM_PaintAllCells(benchmark::State& state) {
    openShiftOne();
    tabel::widgets::DataSource source(&g_dm->Smena1,
                                      {{QStringLiteral("fio"), QStringLiteral("ФИО")},
                                       {QStringLiteral("kol_vo"), QStringLiteral("Кол-во")},
                                       {QStringLiteral("summa"), QStringLiteral("Итого")},
                                       {QStringLiteral("ok"), QStringLiteral("OK")},
                                       {QStringLiteral("vvod"), QStringLiteral("Заведен")}});
    QAbstractItemModel* model = source.model();
    for (auto _ : state) {
        for (int row = 0; row < model->rowCount(); ++row) {
            for (int column = 0; column < model->columnCount(); ++column) {
                const QModelIndex index = model->index(row, column);
                benchmark::DoNotOptimize(model->data(index, Qt::DisplayRole));
                benchmark::DoNotOptimize(model->data(index, Qt::ForegroundRole));
            }
        }
    }
}
BENCHMARK(BM_PaintAllCells)->Unit(benchmark::kMillisecond);

void BM_SortByName(benchmark::State& state) {
    openShiftOne();
    bool descending = false;
    for (auto _ : state) {
        g_dm->Smena1.setSort(descending ? QStringLiteral("fio DESC") : QStringLiteral("fio ASC"));
        descending = !descending;
    }
}
BENCHMARK(BM_SortByName)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString server = qEnvironmentVariable("TABEL_BENCH_SERVER");
    if (server.isEmpty()) {
        fprintf(stderr, "TABEL_BENCH_SERVER must name the socket folder of a generated cluster\n");
        return 2;
    }
    tabel::data::TDataModule6 dm;
    dm.ADO_DB.setConnectionString(tabel::data::composeConnectionString(
        {server, QStringLiteral("tabel"), QStringLiteral("master"), QStringLiteral("master")}));
    dm.ADO_DB.open();
    g_dm = &dm;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
