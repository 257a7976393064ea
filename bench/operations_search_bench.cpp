// The operations list over some twenty thousand operations: opening it, narrowing it while a mark
// is typed or a requisition item is selected, against floors measured in the same run.
#include <benchmark/benchmark.h>

#include "bench_db.h"
#include "data/session.h"
#include "refdata/norms_window.h"
#include "refdata/operation_kind_editor.h"
#include "refdata/operation_kinds_window.h"
#include "refdata/operation_price_editor.h"
#include "refdata/operations_window.h"
#include "refdata/products_window.h"
#include "widgets/data_grid.h"
#include "widgets/search_box.h"

namespace {

tabel::data::Session* g_session = nullptr;
tabel::refdata::OperationsWindow* g_list = nullptr;

// The list the operations window shows.
tabel::widgets::DataGrid* operationsGrid() {
    return g_list->findChild<tabel::widgets::DataGrid*>(QStringLiteral("listGrid"));
}
tabel::widgets::SearchBox* searchBox() {
    return g_list->findChild<tabel::widgets::SearchBox*>(QStringLiteral("searchBox"));
}
tabel::data::Dataset& operationsList() {
    return *operationsGrid()->dataset();
}

void openOperations() {
    operationsList().close();
    operationsList().open();
}

void operations_open(benchmark::State& state) {
    for (auto _ : state) {
        openOperations();
        state.counters["rows"] = operationsList().recordCount();
    }
}
BENCHMARK(operations_open)->Unit(benchmark::kMillisecond);

// After one operation or norm changed: only its row is read again, not the whole list.
void operations_refresh_one_row(benchmark::State& state) {
    openOperations();
    operationsList().setRecNo(operationsList().recordCount() / 2);
    const int id = operationsList().field(QStringLiteral("id")).asInteger();
    for (auto _ : state) {
        operationsList().refreshRow(QStringLiteral("id"), id);
    }
    state.counters["rows"] = operationsList().recordCount();
}
BENCHMARK(operations_refresh_one_row)->Unit(benchmark::kMillisecond);

// Every change of the search box filters the loaded rows; counts the filter passes (dataset
// resets) and the grid model's resets per change.
void operations_type_mark_prefix(benchmark::State& state) {
    openOperations();
    const QStringList typed{QStringLiteral("И"),      QStringLiteral("ИЗ"),
                            QStringLiteral("ИЗД-"),   QStringLiteral("ИЗД-1"),
                            QStringLiteral("ИЗД-12"), QStringLiteral("ИЗД-123"),
                            QStringLiteral("ИЗД-12"), QString()};
    int passes = 0;
    int modelResets = 0;
    const auto passLink = QObject::connect(&operationsList(), &tabel::data::Dataset::rowsReset,
                                           [&passes] { ++passes; });
    const auto resetLink =
        QObject::connect(operationsGrid()->model(), &QAbstractItemModel::modelReset,
                         [&modelResets] { ++modelResets; });
    int64_t changes = 0;
    for (auto _ : state) {
        for (const QString& text : typed) {
            searchBox()->setText(text);
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
    searchBox()->clear();
    int code = 1;
    for (auto _ : state) {
        // What the choice for an entry with this requisition item applies.
        const std::optional<QString> filter = tabel::refdata::operationsFilter(
            QString(), {QStringLiteral("Заявка"), QStringLiteral("Строка"), QString::number(code)});
        operationsList().setFilter(filter.value_or(QString()));
        operationsList().setFiltered(filter.has_value());
        code = code % 4000 + 1;
        state.counters["rows"] = operationsList().recordCount();
    }
}
BENCHMARK(operations_requisition_item_filter)->Unit(benchmark::kMillisecond);

}  // namespace

void tabel::bench::setUpAndRun(data::Session& session, const RunBenchmarks& run) {
    tabel::refdata::ProductsWindow products(session);
    tabel::refdata::OperationKindEditor kindEditor(session);
    tabel::refdata::OperationKindsWindow kinds(session, kindEditor);
    tabel::refdata::OperationPriceEditor editor(session, products, kinds);
    tabel::refdata::NormsWindow norms(session);
    tabel::refdata::OperationsWindow list(session, editor, norms);
    g_session = &session;
    g_list = &list;
    tabel::bench::registerFloors("operations", session.connection,
                                 [] { return operationsList().statement(); });
    run({{"operations_open", "operations_odbc_block_fetch", "operations_libpq", 1.3},
         {"operations_refresh_one_row", "operations_open", "", 0},
         {"operations_type_mark_prefix", "operations_odbc_block_fetch", "", 0},
         {"operations_requisition_item_filter", "operations_odbc_block_fetch", "", 0}});
}
