// The operations list over some twenty thousand operations: opening it, narrowing it while a mark
// is typed or a requisition item is selected, against floors measured in the same run.
#include <benchmark/benchmark.h>

#include "bench_db.h"
#include "data/data_module.h"
#include "refdata/norms_window.h"
#include "refdata/operation_kind_editor.h"
#include "refdata/operation_kinds_window.h"
#include "refdata/operation_price_editor.h"
#include "refdata/operations_window.h"
#include "refdata/products_window.h"
#include "widgets/data_grid.h"

namespace {

tabel::data::DataModule* g_dm = nullptr;
tabel::refdata::OperationsWindow* g_list = nullptr;

void openOperations() {
    g_dm->operations.close();
    g_dm->operations.open();
}

void operations_open(benchmark::State& state) {
    for (auto _ : state) {
        openOperations();
        state.counters["rows"] = g_dm->operations.recordCount();
    }
}
BENCHMARK(operations_open)->Unit(benchmark::kMillisecond);

// After one operation or norm changed: only its row is read again, not the whole list.
void operations_refresh_one_row(benchmark::State& state) {
    openOperations();
    g_dm->operations.setRecNo(g_dm->operations.recordCount() / 2);
    const int id = g_dm->operations.field(QStringLiteral("id")).asInteger();
    for (auto _ : state) {
        g_dm->operations.refreshRow(QStringLiteral("id"), id);
    }
    state.counters["rows"] = g_dm->operations.recordCount();
}
BENCHMARK(operations_refresh_one_row)->Unit(benchmark::kMillisecond);

// Every change of the search box filters the loaded rows; counts the filter passes (dataset
// resets) and the grid model's resets per change.
void operations_type_mark_prefix(benchmark::State& state) {
    openOperations();
    g_list->setRequisitionContext({});
    const QStringList typed{QStringLiteral("И"),      QStringLiteral("ИЗ"),
                            QStringLiteral("ИЗД-"),   QStringLiteral("ИЗД-1"),
                            QStringLiteral("ИЗД-12"), QStringLiteral("ИЗД-123"),
                            QStringLiteral("ИЗД-12"), QString()};
    int passes = 0;
    int modelResets = 0;
    const auto passLink = QObject::connect(&g_dm->operations, &tabel::data::Dataset::rowsReset,
                                           [&passes] { ++passes; });
    const auto resetLink =
        QObject::connect(g_list->listGrid->model(), &QAbstractItemModel::modelReset,
                         [&modelResets] { ++modelResets; });
    int64_t changes = 0;
    for (auto _ : state) {
        for (const QString& text : typed) {
            g_list->searchBox->setText(text);
            ++changes;
        }
    }
    QObject::disconnect(passLink);
    QObject::disconnect(resetLink);
    state.counters["filter_passes_per_change"] = double(passes) / double(changes);
    state.counters["model_resets_per_change"] = double(modelResets) / double(changes);
}
BENCHMARK(operations_type_mark_prefix)->Unit(benchmark::kMillisecond);

void operations_requisition_item_filter(benchmark::State& state) {
    openOperations();
    g_list->searchBox->clear();
    int code = 1;
    for (auto _ : state) {
        g_list->setRequisitionContext(
            {QStringLiteral("Заявка"), QStringLiteral("Строка"), QString::number(code)});
        g_list->applySearch();
        code = code % 4000 + 1;
        state.counters["rows"] = g_dm->operations.recordCount();
    }
}
BENCHMARK(operations_requisition_item_filter)->Unit(benchmark::kMillisecond);

}  // namespace

void tabel::bench::setUpAndRun(data::DataModule& dm, const RunBenchmarks& run) {
    tabel::refdata::ProductsWindow products(dm);
    tabel::refdata::OperationKindEditor kindEditor(dm);
    tabel::refdata::OperationKindsWindow kinds(dm, kindEditor);
    tabel::refdata::OperationPriceEditor editor(dm, products, kinds);
    tabel::refdata::NormsWindow norms(dm);
    tabel::refdata::OperationsWindow list(dm, editor, norms);
    g_dm = &dm;
    g_list = &list;
    tabel::bench::registerFloors("operations", dm.connection,
                                 [] { return g_dm->operations.statement(); });
    run({{"operations_open", "operations_odbc_block_fetch", "operations_libpq", 1.3},
         {"operations_refresh_one_row", "operations_open", "", 0},
         {"operations_type_mark_prefix", "operations_odbc_block_fetch", "", 0},
         {"operations_requisition_item_filter", "operations_odbc_block_fetch", "", 0}});
}
