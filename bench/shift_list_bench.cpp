// The shift list on a plant's ten years of entries with thousands on one date: opening it,
// painting every cell and sorting it, against a plain fetch of the same statement.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDate>

#include "bench_db.h"
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
    tabel::bench::plainFetch(state, g_dm->ADO_DB, text);
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
    tabel::data::TDataModule6 dm;
    if (!tabel::bench::connectToBenchServer(dm)) {
        return 2;
    }
    g_dm = &dm;
    return tabel::bench::runBenchmarks(argc, argv);
}
