// Spreadsheet output at report scale: rows × 5 columns of mixed numbers and Cyrillic text,
// written cell by cell and saved, against the same cells written straight with libxlsxwriter.
// Prints each variant's time as a ratio to that baseline, and the memory held before saving.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>
#include <map>
#include <string>
#include <variant>
#include <vector>

#include <QDir>
#include <QFile>
#include <QString>

#include <xlsxwriter.h>

#include "reports/spreadsheet.h"

namespace {

constexpr int kColumns = 5;

struct Data {
    std::vector<QString> texts;                            // as the callers pass them
    std::vector<std::variant<double, std::string>> typed;  // as the baseline writes them
};

// A timesheet-like row: number, name, decimal hours, code, amount.
const Data& data(int rows) {
    static std::map<int, Data> cache;
    Data& d = cache[rows];
    if (!d.texts.empty()) {
        return d;
    }
    const QString surnames[] = {QStringLiteral("Иванов"), QStringLiteral("Петрова"),
                                QStringLiteral("Сидоренко"), QStringLiteral("Кузнецов"),
                                QStringLiteral("Ёлкина")};
    const QString initials[] = {QStringLiteral(" А.П."), QStringLiteral(" Е.С."),
                                QStringLiteral(" Ю.В.")};
    for (int r = 0; r < rows; ++r) {
        const QString row[kColumns] = {
            QString::number(r + 1),
            surnames[r % 5] + initials[r % 3] + QString::number(r % 97),
            QString::number(r % 12) + u',' + QString::number(r % 100),
            QStringLiteral("ОП-%1").arg(r % 400),
            QString::number((r * 37) % 100000) + QStringLiteral(",5"),
        };
        for (const QString& text : row) {
            d.texts.push_back(text);
            if (const auto number = tabel::reports::Spreadsheet::numberFromText(text)) {
                d.typed.emplace_back(*number);
            } else {
                d.typed.emplace_back(text.toStdString());
            }
        }
    }
    return d;
}

// Bytes the allocator holds right now.
double heapBytes() {
    const struct mallinfo2 info = mallinfo2();
    return static_cast<double>(info.uordblks + info.hblkhd);
}

void directLibxlsxwriter(benchmark::State& state, bool constantMemory) {
    const int rows = static_cast<int>(state.range(0));
    const Data& d = data(rows);
    const QByteArray path = QFile::encodeName(QDir::temp().filePath("tabel-bench-direct.xlsx"));
    double held = 0;
    for (auto _ : state) {
        lxw_workbook_options options{};
        options.constant_memory = constantMemory ? LXW_TRUE : LXW_FALSE;
        options.use_zip64 = LXW_TRUE;
        const double before = heapBytes();
        lxw_workbook* book = workbook_new_opt(path.constData(), &options);
        lxw_worksheet* sheet = workbook_add_worksheet(book, "Лист1");
        std::size_t i = 0;
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < kColumns; ++c, ++i) {
                if (const double* number = std::get_if<double>(&d.typed[i])) {
                    worksheet_write_number(sheet, r, c, *number, nullptr);
                } else {
                    worksheet_write_string(sheet, r, c, std::get<std::string>(d.typed[i]).c_str(),
                                           nullptr);
                }
            }
        }
        held = heapBytes() - before;
        if (workbook_close(book) != LXW_NO_ERROR) {
            state.SkipWithError("workbook_close failed");
            break;
        }
    }
    state.counters["held_MB"] = held / 1e6;
    state.SetItemsProcessed(state.iterations() * rows * kColumns);
    QFile::remove(QFile::decodeName(path));
}

// bottomUp writes the last row first, the order that makes the layer sort before saving.
void spreadsheet(benchmark::State& state, bool bottomUp) {
    const int rows = static_cast<int>(state.range(0));
    const Data& d = data(rows);
    // Never start the desktop program, and never reach a message box: no QApplication here.
    tabel::reports::Spreadsheet::setOpener([](const QString&) { return true; });
    double held = 0;
    for (auto _ : state) {
        tabel::reports::Spreadsheet book;
        const double before = heapBytes();
        book.OpenExcel(QString());
        for (int k = 0; k < rows; ++k) {
            const int r = bottomUp ? rows - 1 - k : k;
            for (int c = 0; c < kColumns; ++c) {
                book.WriteCell(1, c + 1, r + 1, d.texts[static_cast<std::size_t>(r * kColumns + c)],
                               false, c == 1);
            }
        }
        held = heapBytes() - before;
        book.SetExcelVisible(true);
        state.PauseTiming();
        if (book.lastFilePath().isEmpty()) {
            state.SkipWithError("the workbook was not written");
            break;
        }
        QFile::remove(book.lastFilePath());
        state.ResumeTiming();
    }
    tabel::reports::Spreadsheet::setOpener({});
    state.counters["held_MB"] = held / 1e6;
    state.SetItemsProcessed(state.iterations() * rows * kColumns);
}

void registerAll() {
    const auto add = [](const char* name, auto fn) {
        benchmark::RegisterBenchmark(name, fn)
            ->Arg(10000)
            ->Arg(100000)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(3);
    };
    add("baseline_direct", [](benchmark::State& s) { directLibxlsxwriter(s, false); });
    add("direct_constant_memory", [](benchmark::State& s) { directLibxlsxwriter(s, true); });
    add("spreadsheet", [](benchmark::State& s) { spreadsheet(s, false); });
    add("spreadsheet_bottom_up", [](benchmark::State& s) { spreadsheet(s, true); });
}

// Collects the times so that each variant can be printed as a multiple of the baseline.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                const std::string name = run.benchmark_name();
                const auto slash = name.find('/');
                times_[name.substr(slash)][name.substr(0, slash)] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void printRatios() const {
        std::printf("\nTime as a multiple of baseline_direct (same run):\n");
        for (const auto& [size, variants] : times_) {
            const auto base = variants.find("baseline_direct");
            if (base == variants.end() || base->second <= 0) {
                continue;
            }
            for (const auto& [variant, time] : variants) {
                std::printf("  %-24s %-28s %6.2f\n", variant.c_str(), size.c_str(),
                            time / base->second);
            }
        }
    }

private:
    std::map<std::string, std::map<std::string, double>> times_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    registerAll();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
