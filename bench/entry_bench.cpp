// An entry on a plant's ten years of entries: saving it with its hours posting and deleting it
// with its correction, against one bare insert round trip on the same connection; opening the
// entry dialog in edit mode, against a plain fetch of the lists it shows.
#include <benchmark/benchmark.h>

#include <QDate>
#include <QTimer>

#include "bench_db.h"
#include "data/entry_writes.h"
#include "data/session.h"
#include "refdata/norms_window.h"
#include "refdata/operation_kind_editor.h"
#include "refdata/operation_kinds_window.h"
#include "refdata/operation_price_editor.h"
#include "refdata/operations_window.h"
#include "refdata/products_window.h"
#include "refdata/workers_window.h"
#include "shiftlog/entry_dialog.h"
#include "shiftlog/material_consumption_dialog.h"

namespace {

using tabel::data::Entry;

tabel::data::Session* g_session = nullptr;
tabel::shiftlog::EntryDialog* g_dialog = nullptr;
Entry g_row;

const QString kBareInsert = QStringLiteral(
    "insert into accounts_dep.smena(w_id, i_id, o_id, cena, kol_vo, brak, data, smena, color, "
    "time, vvod, ok, prize, id_doc, id_doc_item, f_gds_qty_use, id_gds_use, id_cons_use) "
    "values (?, ?, ?, ?, ?, ?, ?, ?, 0, ?, current_date, 'no', 0, ?, ?, 0, 0, 0) returning id");

constexpr double kBenchQuantity = 3.1415;  // marks the rows the benchmarks add
constexpr int kWorkers = 300;              // the generator's worker codes are 1001..1300

// A new entry on today's date for the next of the plant's workers in turn, as a day's input
// goes: each worker's day already holds his entries of the generated data.
Entry newEntry() {
    static int next = 0;
    Entry e;
    e.workerId = 1001 + next++ % kWorkers;
    e.productId = g_row.productId;
    e.operationId = g_row.operationId;
    e.price = g_row.price;
    e.quantity = *tabel::core::Decimal::fromDouble(kBenchQuantity);
    e.date = g_row.date;
    e.shift = 1;
    e.hours = 0;
    e.docId = g_row.docId;
    e.itemId = g_row.itemId;
    return e;
}

int bareInsert(const Entry& e) {
    return g_session->connection
        .run(kBareInsert,
             {e.workerId, e.productId, e.operationId, e.price.toDouble(), e.quantity.toDouble(),
              e.defects, e.date, e.shift, e.hours, e.docId, e.itemId})
        .rows.first()
        .first()
        .toInt();
}

void removeBenchEntries() {
    g_session->connection.run(QStringLiteral("delete from accounts_dep.smena where kol_vo = ?"),
                              {kBenchQuantity});
}

// Baseline: one insert, one round trip, committed on its own.
void BM_BareInsert(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        const Entry e = newEntry();
        state.ResumeTiming();
        benchmark::DoNotOptimize(bareInsert(e));
    }
    removeBenchEntries();
}
BENCHMARK(BM_BareInsert)->Unit(benchmark::kMicrosecond);

void BM_SaveEntryWithHours(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        const Entry e = newEntry();
        state.ResumeTiming();
        benchmark::DoNotOptimize(tabel::data::saveEntry(g_session->connection, e).id);
    }
    removeBenchEntries();
}
BENCHMARK(BM_SaveEntryWithHours)->Unit(benchmark::kMicrosecond);

void BM_DeleteEntryWithHours(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        const int id = bareInsert(newEntry());
        state.ResumeTiming();
        tabel::data::deleteEntry(g_session->connection, id);
    }
}
BENCHMARK(BM_DeleteEntryWithHours)->Unit(benchmark::kMicrosecond);

// Baseline: the dialog's lists in edit mode fetched row by row without keeping anything.
void BM_PlainFetchOfTheDialogLists(benchmark::State& state) {
    const QString id = QString::number(g_row.id);
    const auto statementOf = [](const char* list) {
        return g_dialog->findChild<tabel::data::Dataset*>(QString::fromLatin1(list))->statement();
    };
    const QString statements[] = {
        statementOf("requisitions"),
        statementOf("requisitionItems"),
        statementOf("materials").replace(QStringLiteral(":id_smena"), id),
        statementOf("materialsTotal").replace(QStringLiteral(":id_smena"), id),
    };
    for (auto _ : state) {
        for (const QString& statement : statements) {
            benchmark::DoNotOptimize(tabel::bench::fetchOnce(g_session->connection, statement));
        }
    }
}
BENCHMARK(BM_PlainFetchOfTheDialogLists)->Unit(benchmark::kMillisecond);

// The dialog opened for editing and closed again at once ("Выход"), shown offscreen.
void BM_OpenEditDialog(benchmark::State& state) {
    tabel::shiftlog::EntryContext context;
    context.date = g_row.date;
    for (auto _ : state) {
        QTimer::singleShot(0, g_dialog, [] { g_dialog->reject(); });
        g_dialog->openForEdit(context, g_row);
    }
}
BENCHMARK(BM_OpenEditDialog)->Unit(benchmark::kMillisecond);

// Today's first shift-1 entry with a requisition item, as the shift list shows it.
Entry entryToEdit(tabel::data::Connection& connection) {
    const tabel::data::StatementResult r = connection.run(QStringLiteral(
        "select s.id from accounts_dep.smena s where s.data = current_date and s.smena = 1 and "
        "s.id_doc_item > 0 order by s.id limit 1"));
    return tabel::data::readEntry(connection, r.rows.first().first().toInt());
}

}  // namespace

void tabel::bench::setUpAndRun(data::Session& session, const RunBenchmarks& run) {
    using namespace tabel;
    refdata::ProductsWindow products{session};
    refdata::WorkersWindow workers{session};
    refdata::OperationKindEditor kindEditor{session};
    refdata::OperationKindsWindow kinds{session, kindEditor};
    refdata::OperationPriceEditor editor{session, products, kinds};
    refdata::NormsWindow norms{session};
    refdata::OperationsWindow operations{session, editor, norms};
    shiftlog::MaterialConsumptionDialog consumption{session};
    shiftlog::EntryDialog dialog{session, workers, operations, consumption};
    g_session = &session;
    g_dialog = &dialog;
    g_row = entryToEdit(session.connection);
    run({{"BM_SaveEntryWithHours", "BM_BareInsert", "", 3.0},
         {"BM_DeleteEntryWithHours", "BM_BareInsert", "", 3.0},
         {"BM_OpenEditDialog", "BM_PlainFetchOfTheDialogLists", "", 2.0}});
}
