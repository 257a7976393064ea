// An entry on a plant's ten years of entries: saving it with its hours posting and deleting it
// with its correction, against one bare insert round trip on the same connection; opening the
// entry dialog in edit mode, against a plain fetch of the lists it shows.
#include <benchmark/benchmark.h>

#include <QDate>

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
#include "shiftlog/entry_materials_panel.h"
#include "shiftlog/material_consumption_dialog.h"

namespace {

using tabel::data::EntryRecord;

tabel::data::Session* g_session = nullptr;
tabel::shiftlog::EntryDialog* g_dialog = nullptr;
tabel::shiftlog::EntryRow g_row;

const QString kBareInsert = QStringLiteral(
    "insert into accounts_dep.smena(w_id, i_id, o_id, cena, kol_vo, brak, data, smena, color, "
    "time, vvod, ok, prize, id_doc, id_doc_item, f_gds_qty_use, id_gds_use, id_cons_use) "
    "values (?, ?, ?, ?, ?, ?, ?, ?, 0, ?, current_date, 'no', 0, ?, ?, 0, 0, 0) returning id");

constexpr double kBenchQuantity = 3.1415;  // marks the rows the benchmarks add
constexpr int kWorkers = 300;              // the generator's worker codes are 1001..1300

// A new entry on today's date for the next of the plant's workers in turn, as a day's input
// goes: each worker's day already holds his entries of the generated data.
EntryRecord newEntry() {
    static int next = 0;
    EntryRecord e;
    e.workerId = 1001 + next++ % kWorkers;
    e.productId = g_row.productId;
    e.operationId = g_row.operationId;
    e.price = g_row.cena;
    e.quantity = kBenchQuantity;
    e.date = g_row.date;
    e.shift = 1;
    e.hours = 0;
    e.docId = g_row.docId.toLongLong();
    e.itemId = g_row.itemId.toLongLong();
    return e;
}

int bareInsert(const EntryRecord& e) {
    return g_session->connection
        .run(kBareInsert, {e.workerId, e.productId, e.operationId, e.price, e.quantity, e.defects,
                           e.date, e.shift, e.hours, e.docId, e.itemId})
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
        const EntryRecord e = newEntry();
        state.ResumeTiming();
        benchmark::DoNotOptimize(bareInsert(e));
    }
    removeBenchEntries();
}
BENCHMARK(BM_BareInsert)->Unit(benchmark::kMicrosecond);

void BM_SaveEntryWithHours(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        const EntryRecord e = newEntry();
        state.ResumeTiming();
        benchmark::DoNotOptimize(tabel::data::saveEntry(g_session->connection, e));
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
    const QString statements[] = {
        g_dialog->requisitions.statement(),
        g_dialog->requisitionItems.statement(),
        QString(g_dialog->materialsPanel->materials.statement())
            .replace(QStringLiteral(":id_smena"), id),
        QString(g_dialog->materialsPanel->materialsTotal.statement())
            .replace(QStringLiteral(":id_smena"), id),
    };
    for (auto _ : state) {
        for (const QString& statement : statements) {
            benchmark::DoNotOptimize(tabel::bench::fetchOnce(g_session->connection, statement));
        }
    }
}
BENCHMARK(BM_PlainFetchOfTheDialogLists)->Unit(benchmark::kMillisecond);

void BM_OpenEditDialog(benchmark::State& state) {
    tabel::shiftlog::EntryContext context;
    context.date = g_row.date;
    for (auto _ : state) {
        g_dialog->loadForEdit(context, g_row);
        g_dialog->done(0);  // the closing reset, as after "Выход"
    }
}
BENCHMARK(BM_OpenEditDialog)->Unit(benchmark::kMillisecond);

// Today's first shift-1 entry with a requisition item, as the shift list shows it.
tabel::shiftlog::EntryRow entryToEdit(tabel::data::Connection& connection) {
    const tabel::data::StatementResult r = connection.run(QStringLiteral(
        "select s.id, s.data, p.s_caption, i.marka, v.vid, o.naimen, s.kol_vo, s.brak, s.time, "
        "s.cena, s.w_id, s.i_id, s.o_id, s.id_doc::int8, s.id_doc_item::int8 "
        "from accounts_dep.smena s join cmn_contractor.person p on p.s_code::int = s.w_id "
        "join accounts_dep.izdel i on i.id = s.i_id join accounts_dep.oper o on o.id = s.o_id "
        "join accounts_dep.vid_oper v on v.id = o.vid "
        "where s.data = current_date and s.smena = 1 and s.id_doc_item > 0 order by s.id limit 1"));
    const QList<QVariant>& v = r.rows.first();
    return {v[0].toInt(),    v[1].toDate(),   v[2].toString(), v[3].toString(),
            v[4].toString(), v[5].toInt(),    v[6].toDouble(), v[7].toInt(),
            v[8].toInt(),    v[9].toDouble(), v[10].toInt(),   v[11].toInt(),
            v[12].toInt(),   v[13],           v[14],           QString()};
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
