// The operations list over some twenty thousand operations: opening it and narrowing it while a
// mark is typed or a requisition item is selected, against a plain fetch of its statement.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "bench_db.h"
#include "data/data_module.h"
#include "refdata/norms_window.h"
#include "refdata/operation_kind_editor.h"
#include "refdata/operation_kinds_window.h"
#include "refdata/operation_price_editor.h"
#include "refdata/operations_window.h"
#include "refdata/products_window.h"

namespace {

tabel::data::TDataModule6* g_dm = nullptr;
tabel::refdata::TForm4* g_list = nullptr;

void openOperations() {
    g_dm->Oper.close();
    g_dm->Oper.open();
}

// Baseline: the same statement fetched row by row without keeping anything.
void BM_PlainFetch(benchmark::State& state) {
    const QString text = g_dm->Oper.statement();
    tabel::bench::plainFetch(state, g_dm->ADO_DB, text);
}
BENCHMARK(BM_PlainFetch)->Unit(benchmark::kMillisecond);

void BM_OpenOperations(benchmark::State& state) {
    for (auto _ : state) {
        openOperations();
        state.counters["rows"] = g_dm->Oper.recordCount();
    }
}
BENCHMARK(BM_OpenOperations)->Unit(benchmark::kMillisecond);

// Every change of the search box re-filters the loaded rows.
void BM_TypeMarkPrefix(benchmark::State& state) {
    openOperations();
    g_list->setRequisitionContext({});
    const QStringList typed{QStringLiteral("И"),      QStringLiteral("ИЗ"),
                            QStringLiteral("ИЗД-"),   QStringLiteral("ИЗД-1"),
                            QStringLiteral("ИЗД-12"), QStringLiteral("ИЗД-123"),
                            QStringLiteral("ИЗД-12"), QString()};
    for (auto _ : state) {
        for (const QString& text : typed) {
            g_list->Edit1->setText(text);
        }
    }
    state.counters["changes"] =
        benchmark::Counter(double(typed.size()), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_TypeMarkPrefix)->Unit(benchmark::kMillisecond);

void BM_RequisitionItemFilter(benchmark::State& state) {
    openOperations();
    g_list->Edit1->clear();
    int code = 1;
    for (auto _ : state) {
        g_list->setRequisitionContext(
            {QStringLiteral("Заявка"), QStringLiteral("Строка"), QString::number(code)});
        g_list->Edit1Change();
        code = code % 4000 + 1;
        state.counters["rows"] = g_dm->Oper.recordCount();
    }
}
BENCHMARK(BM_RequisitionItemFilter)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    tabel::data::TDataModule6 dm;
    if (!tabel::bench::connectToBenchServer(dm)) {
        return 2;
    }
    tabel::refdata::TForm3 products(dm);
    tabel::refdata::TForm9 kindEditor(dm);
    tabel::refdata::TForm8 kinds(dm, kindEditor);
    tabel::refdata::TForm10 editor(dm, products, kinds);
    tabel::refdata::TForm22 norms(dm);
    tabel::refdata::TForm4 list(dm, editor, norms);
    g_dm = &dm;
    g_list = &list;
    return tabel::bench::runBenchmarks(argc, argv);
}
