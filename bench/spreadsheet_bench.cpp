// Spreadsheet export of the operations list ("Excel" in the list) over some twenty thousand
// operations, against its floor measured in the same run: the driver's block fetch of the same
// statement with libxlsxwriter writing the same cells in its constant-memory mode, as the
// program does. Prints the ratio and both file sizes.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <cstring>

#include <xlsxwriter.h>

#include "bench_db.h"
#include "data/session.h"
#include "refdata/norms_window.h"
#include "refdata/operation_kind_editor.h"
#include "refdata/operation_kinds_window.h"
#include "refdata/operation_price_editor.h"
#include "refdata/operations_window.h"
#include "refdata/products_window.h"
#include "reports/operations_export.h"
#include "reports/spreadsheet.h"

namespace {

tabel::data::Session* g_session = nullptr;
tabel::refdata::OperationsWindow* g_list = nullptr;
QString g_exportStatement;

// Characters of a UTF-8 text, for the column widths the program sets too.
double utf8Chars(const char* text) {
    double chars = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        chars += (static_cast<unsigned char>(*p) & 0xC0) != 0x80 ? 1 : 0;
    }
    return chars;
}

// The floor: block fetch + constant-memory libxlsxwriter, the four columns of the export.
void export_floor_block_fetch_libxlsxwriter(benchmark::State& state) {
    const QByteArray path =
        QFile::encodeName(QDir::temp().filePath(QStringLiteral("tabel-bench-floor.xlsx")));
    const QByteArray tmpdir = QFile::encodeName(QDir::tempPath());
    double size = 0;
    for (auto _ : state) {
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        options.use_zip64 = LXW_TRUE;
        options.tmpdir = const_cast<char*>(tmpdir.constData());
        lxw_workbook* book = workbook_new_opt(path.constData(), &options);
        lxw_worksheet* sheet = workbook_add_worksheet(book, "Лист1");
        const char* titles[] = {"Марка", "Операция", "Цена", "Вид"};
        // Rows are streamed, so the widths (known only at the end) go in from the previous run.
        for (lxw_col_t c = 0; c < 4; ++c) {
            worksheet_set_column(sheet, c, c, 20, nullptr);
            worksheet_write_string(sheet, 0, c, titles[c], nullptr);
        }
        lxw_row_t row = 1;
        double widest[4] = {};
        tabel::bench::odbcBlockFetch(
            g_session->connection, g_exportStatement, [&](const std::vector<const char*>& cells) {
                // marka, vid, naimen, nmn, cena, id, i_id, oper_vid
                const char* stage = cells[2] != nullptr && std::strcmp(cells[2], "0") == 0
                                        ? "Готовая продукция"
                                        : "Заготовки";
                const char* texts[] = {cells[0], cells[1], nullptr, stage};
                for (lxw_col_t c = 0; c < 4; ++c) {
                    if (c == 2) {
                        if (cells[4] != nullptr) {
                            worksheet_write_number(sheet, row, c, std::strtod(cells[4], nullptr),
                                                   nullptr);
                        }
                    } else if (texts[c] != nullptr && *texts[c] != '\0') {
                        worksheet_write_string(sheet, row, c, texts[c], nullptr);
                        widest[c] = std::max(widest[c], utf8Chars(texts[c]));
                    }
                }
                ++row;
            });
        benchmark::DoNotOptimize(widest);
        if (workbook_close(book) != LXW_NO_ERROR) {
            state.SkipWithError("workbook_close failed");
            break;
        }
        state.counters["rows"] = double(row);
    }
    size = double(QFileInfo(QFile::decodeName(path)).size());
    state.counters["file_kB"] = size / 1024;
    QFile::remove(QFile::decodeName(path));
}
BENCHMARK(export_floor_block_fetch_libxlsxwriter)->Unit(benchmark::kMillisecond)->UseRealTime();

// The program: the list's "Excel" button, its statement opened and every cell written through
// the spreadsheet layer, the workbook saved; the desktop program is not started.
void export_operations_list(benchmark::State& state) {
    QString written;
    tabel::reports::Spreadsheet::setOpener([&written](const QString& path) {
        written = path;
        return true;
    });
    double size = 0;
    for (auto _ : state) {
        g_list->findChild<QPushButton*>(QStringLiteral("exportButton"))->click();
        state.PauseTiming();
        if (written.isEmpty()) {
            state.SkipWithError("the workbook was not written");
            break;
        }
        size = double(QFileInfo(written).size());
        QFile::remove(written);
        written.clear();
        state.ResumeTiming();
    }
    tabel::reports::Spreadsheet::setOpener({});
    state.counters["file_kB"] = size / 1024;
}
BENCHMARK(export_operations_list)->Unit(benchmark::kMillisecond)->UseRealTime();

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
    tabel::data::Dataset exported(&session.connection, QStringLiteral("exportedOperations"));
    tabel::reports::setUpOperationsExport(exported);
    g_exportStatement = exported.statement();
    run({{"export_operations_list/real_time", "export_floor_block_fetch_libxlsxwriter/real_time",
          "", 1.3}});
}
