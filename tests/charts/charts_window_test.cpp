// The charts window driven offscreen on the base fixture's March 2026 and the charts fixture:
// every series against sums the server computes apart from the window's statements, the texts
// against the reports' own prints, hovering, clicking, the tables, saving and live changes.
#include <gtest/gtest.h>

#include <QAbstractBarSeries>
#include <QApplication>
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QLineSeries>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QToolTip>

#include <algorithm>
#include <functional>

#include "charts/charts_window.h"
#include "core/decimal.h"
#include "data/notifications.h"
#include "data/session.h"
#include "eventually.h"
#include "find_widget.h"
#include "message_recorder.h"
#include "modal.h"
#include "outputwindows/report_preview.h"
#include "report_texts.h"
#include "reports/output_files.h"
#include "reports/period_reports.h"
#include "shiftlog/shift_log_rights.h"
#include "shiftlog/shift_log_window.h"
#include "test_db.h"
#include "widgets/data_grid.h"

namespace tabel::charts {
namespace {

using test::whenShown;

constexpr int kWaitMs = 8000;
const QDate kMarch(2026, 3, 1);

// The entries every report counts: a known worker's, in the month `from` … `to`.
QString knownEntries(const char* from, const char* to) {
    return QStringLiteral(
               "accounts_dep.smena s join accounts_dep.oper o on o.id = s.o_id "
               "join accounts_dep.v_worker w on w.s_code = s.w_id "
               "where s.data >= '%1' and s.data < '%2'")
        .arg(QString::fromLatin1(from), QString::fromLatin1(to));
}

// "key|value" rows of a statement run as the superuser, as a map.
QMap<QString, QString> sqlRows(const QString& sql) {
    QMap<QString, QString> rows;
    for (const QString& line : test::adminQuery(sql).split(u'\n', Qt::SkipEmptyParts)) {
        rows.insert(line.section(u'|', 0, 0), line.section(u'|', 1));
    }
    return rows;
}

// What a chart draws, "<series or set>/<place>" to the drawn value, zeros left out: a bar's
// place is its day (1 …) or its caption, a point's its day.
QMap<QString, double> drawn(const QChart& chart) {
    QMap<QString, double> values;
    const auto put = [&values](const QString& key, double value) {
        if (value != 0) {
            values.insert(key, value);
        }
    };
    for (QAbstractSeries* series : chart.series()) {
        if (auto* bars = qobject_cast<QAbstractBarSeries*>(series)) {
            QStringList captions;
            for (QAbstractAxis* axis : bars->attachedAxes()) {
                if (auto* categories = qobject_cast<QBarCategoryAxis*>(axis)) {
                    captions = categories->categories();
                }
            }
            for (QBarSet* set : bars->barSets()) {
                for (int i = 0; i < set->count(); ++i) {
                    const QString place =
                        captions.isEmpty() ? QString::number(i + 1) : captions.value(i).trimmed();
                    put(set->label() + u'/' + place, set->at(i));
                }
            }
        } else if (auto* line = qobject_cast<QLineSeries*>(series)) {
            for (const QPointF& point : line->points()) {
                put(line->name() + u'/' + QString::number(qRound(point.x()) + 1), point.y());
            }
        }
    }
    return values;
}

QMap<QString, double> asNumbers(const QMap<QString, QString>& rows) {
    QMap<QString, double> values;
    for (auto row = rows.begin(); row != rows.end(); ++row) {
        if (const double value = row.value().toDouble(); value != 0) {
            values.insert(row.key(), value);
        }
    }
    return values;
}

// The text the report footer prints `after` places past "Итого:".
QString reportTotal(const QStringList& texts, int after) {
    const qsizetype caption = texts.indexOf(QStringLiteral("Итого:"));
    return caption < 0 ? QString() : texts.value(caption + after);
}

class ChartsWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        test::loadBaseFixture();
        test::loadFixture(QStringLiteral("tests/charts/fixture_charts.sql"));
    }
    void SetUp() override {
        // Readers see the reports, so they see the charts.
        test::connectAs(session.connection, QStringLiteral("econom"));
        window.selectMonth(QDate(2026, 3, 2));
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    QChartView* view(const char* chart) {
        return test::childNamed<QChartView>(window, QString::fromLatin1(chart) + "Chart");
    }
    QChart& chart(const char* name) { return *view(name)->chart(); }
    widgets::DataGrid* grid(const char* chart) {
        return test::childNamed<widgets::DataGrid>(window, QString::fromLatin1(chart) + "Grid");
    }
    // The text a grid shows in `row` under the column titled `title`.
    static QString cell(widgets::DataGrid* grid, int row, const QString& title) {
        QAbstractItemModel* model = grid->model();
        for (int column = 0; column < model->columnCount(); ++column) {
            if (model->headerData(column, Qt::Horizontal).toString() == title) {
                return model->index(row, column).data().toString();
            }
        }
        ADD_FAILURE() << "no column " << title.toStdString();
        return {};
    }
    // The row of a grid whose column `title` reads `text`; -1 when none.
    static int rowWith(widgets::DataGrid* grid, const QString& title, const QString& text) {
        for (int row = 0; row < grid->model()->rowCount(); ++row) {
            if (cell(grid, row, title) == text) {
                return row;
            }
        }
        return -1;
    }

    // Where the mouse finds the bar or point of `series` at `index`, in the view's viewport.
    QPoint placeOf(const char* chartName, QAbstractSeries* series, int index) {
        QChart& drawnChart = chart(chartName);
        QPointF value;
        if (auto* bars = qobject_cast<QAbstractBarSeries*>(series)) {
            // Half way up the lowest bar of the place (a stack's first set).
            const double height = bars->barSets().front()->at(index);
            value = bars->type() == QAbstractSeries::SeriesTypeHorizontalBar
                        ? QPointF(height / 2, index)
                        : QPointF(index, height / 2);
        } else {
            value = qobject_cast<QLineSeries*>(series)->at(index);
        }
        const QPointF inChart = drawnChart.mapToPosition(value, series);
        return view(chartName)->mapFromScene(drawnChart.mapToScene(inChart));
    }
    QString hover(const char* chartName, QAbstractSeries* series, int index) {
        QTest::mouseMove(view(chartName)->viewport(), QPoint(1, 1));
        QTest::mouseMove(view(chartName)->viewport(), placeOf(chartName, series, index));
        QTest::qWait(50);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    }
    void click(const char* chartName, QAbstractSeries* series, int index) {
        QTest::mouseClick(view(chartName)->viewport(), Qt::LeftButton, {},
                          placeOf(chartName, series, index));
    }
    static QAbstractSeries* seriesNamed(QChart& chart, const QString& name) {
        for (QAbstractSeries* series : chart.series()) {
            if (series->name() == name) {
                return series;
            }
        }
        return chart.series().value(0);
    }

    data::Session session;
    ChartsWindow window{session};
};

// Each chart's series as the server sums the month apart from the window's statements.
TEST_F(ChartsWindowTest, EverySeriesEqualsTheServersSums) {
    const QString march = knownEntries("2026-03-01", "2026-04-01");
    const QString february = knownEntries("2026-02-01", "2026-03-01");
    const QString day = QStringLiteral("extract(day from s.data)::int");
    const QString good = QStringLiteral("sum(s.kol_vo::numeric) - sum(s.brak)");
    const QString pay =
        QStringLiteral("sum(s.kol_vo::numeric * s.cena::numeric - s.brak * s.cena::numeric)");

    // The pay by worker: all of them, then the twenty highest (equal pay by name) and the rest.
    QList<std::pair<QString, core::Decimal>> workers;
    const QMap<QString, QString> payOf = sqlRows(
        QStringLiteral("select w.s_caption, %1 from %2 group by w.s_caption").arg(pay, march));
    for (auto worker = payOf.begin(); worker != payOf.end(); ++worker) {
        workers.append({worker.key(), *core::Decimal::fromText(worker.value())});
    }
    std::stable_sort(workers.begin(), workers.end(), [](const auto& a, const auto& b) {
        return a.second != b.second ? a.second > b.second : a.first < b.first;
    });
    ASSERT_EQ(workers.size(), 30);
    QMap<QString, double> workerBars;
    core::Decimal rest;
    for (qsizetype i = 0; i < workers.size(); ++i) {
        if (i < kNamedWorkers) {
            workerBars.insert(workers[i].first.simplified(), workers[i].second.toDouble());
        } else {
            rest.add(workers[i].second);
        }
    }
    workerBars.insert(QStringLiteral("Остальные (10)"), rest.toDouble());

    const struct {
        const char* chart;
        QMap<QString, double> expected;
    } cases[] = {
        {"dailyOutput",
         asNumbers(
             sqlRows(QStringLiteral("select 'Годные/' || %1, %2 from %4 group by 1 union all "
                                    "select 'Сумма/' || %1, %3 from %4 group by 1 union all "
                                    "select 'Сумма, Февраль 2026/' || %1, %3 from %5 group by 1")
                         .arg(day, good, pay, march, february)))},
        {"kindOutput",
         asNumbers(sqlRows(QStringLiteral("select case o.naimen when 0 then 'Готовая продукция' "
                                          "else 'Заготовки' end || '/' || %1, %2 from %3 "
                                          "group by 1")
                               .arg(day, good, march)))},
        {"shiftHours",
         asNumbers(sqlRows(QStringLiteral(
             "select 'Смена №' || h.smena || '/' || d.n, sum(d.hours) "
             "from accounts_dep.h_tabel h join accounts_dep.v_worker w on w.s_code = h.w_id, "
             "unnest(array[d1,d2,d3,d4,d5,d6,d7,d8,d9,d10,d11,d12,d13,d14,d15,d16,d17,d18,"
             "d19,d20,d21,d22,d23,d24,d25,d26,d27,d28,d29,d30,d31]) with ordinality d(hours, n) "
             "where h.month = 3 and h.year = 2026 group by 1")))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.chart);
        EXPECT_FALSE(c.expected.isEmpty());
        EXPECT_EQ(drawn(chart(c.chart)), c.expected);
    }

    // The pay bars, bottom up, against the workers in the grid, top down (the bars' captions
    // are short, the grid names each worker whole).
    QAbstractBarSeries* payBars =
        qobject_cast<QAbstractBarSeries*>(chart("workerPay").series().front());
    ASSERT_NE(payBars, nullptr);
    QBarSet* paySet = payBars->barSets().front();
    widgets::DataGrid* names = grid("workerPay");
    ASSERT_EQ(paySet->count(), 21);
    ASSERT_EQ(names->model()->rowCount(), 21);
    QMap<QString, double> shown;
    for (int row = 0; row < 21; ++row) {
        shown.insert(cell(names, row, QStringLiteral("Рабочий")).simplified(),
                     paySet->at(20 - row));
    }
    EXPECT_EQ(shown, workerBars);
    // The same day of February stands beside each day that February has: none after the 28th.
    auto* february28 = qobject_cast<QLineSeries*>(
        seriesNamed(chart("dailyOutput"), QStringLiteral("Сумма, Февраль 2026")));
    ASSERT_NE(february28, nullptr);
    EXPECT_EQ(february28->count(), 28);
    EXPECT_EQ(february28->at(27).x(), 27);
    // The highest earner on top, the rest at the bottom.
    const QStringList captions = [&] {
        for (QAbstractAxis* axis : chart("workerPay").axes(Qt::Vertical)) {
            if (auto* categories = qobject_cast<QBarCategoryAxis*>(axis)) {
                return categories->categories();
            }
        }
        return QStringList();
    }();
    ASSERT_EQ(captions.size(), 21);
    EXPECT_EQ(captions.front(), QStringLiteral("Остальные (10)"));
    EXPECT_EQ(workers.front().first, QStringLiteral("Иванов Иван Иванович"));
    EXPECT_EQ(captions.back(), QStringLiteral("Иванов И.И."));
    // Only whole first names become initials: "Работник 22" keeps its number.
    EXPECT_TRUE(captions.contains(QStringLiteral("Работник 22")))
        << captions.join(u'|').toStdString();
    EXPECT_TRUE(captions.contains(QStringLiteral("Ивашов П.")))
        << captions.join(u'|').toStdString();
}

// What the grids and the tooltips print is what the reports print, to the kopeck: each day's pay
// is the workers report's total of that day, each named worker's that of his detailed report,
// opened by a click on his bar.
TEST_F(ChartsWindowTest, FiguresAreThoseTheReportsPrint) {
    widgets::DataGrid* days = grid("dailyOutput");
    ASSERT_EQ(days->model()->rowCount(), 31);
    auto workersReport =
        reports::makePeriodLayout(reports::PeriodReport::Workers, session.connection);
    int daysWithPay = 0;
    for (int row = 0; row < 31; ++row) {
        const QDate day = kMarch.addDays(row);
        SCOPED_TRACE(day.toString().toStdString());
        EXPECT_EQ(cell(days, row, QStringLiteral("День")), day.toString("dd.MM.yyyy"));
        const QString printed =
            reportTotal(test::textsOf(reports::preparePeriodReport(
                            *workersReport, reports::PeriodReport::Workers, {day, day.addDays(1)})),
                        1);
        if (printed.isEmpty()) {
            EXPECT_EQ(cell(days, row, QStringLiteral("Сумма")), QStringLiteral("0,00"));
            continue;
        }
        ++daysWithPay;
        EXPECT_EQ(cell(days, row, QStringLiteral("Сумма")), printed);
    }
    EXPECT_GE(daysWithPay, 25);
    // 2,675 on the 31st alone among the 31st's entries of worker 201: half to even.
    EXPECT_EQ(hover("dailyOutput", seriesNamed(chart("dailyOutput"), QStringLiteral("Сумма")), 30),
              QStringLiteral("31.03.2026\nСумма: ") + cell(days, 30, QStringLiteral("Сумма")));

    widgets::DataGrid* workers = grid("workerPay");
    ASSERT_EQ(workers->model()->rowCount(), 21);
    QAbstractSeries* bars = chart("workerPay").series().front();
    for (int row = 0; row < kNamedWorkers; ++row) {
        const QString name = cell(workers, row, QStringLiteral("Рабочий"));
        SCOPED_TRACE(name.toStdString());
        const QString pay = cell(workers, row, QStringLiteral("Сумма"));
        // Bars run from the bottom up: the highest is the last.
        const int bar = kNamedWorkers - row;
        EXPECT_EQ(hover("workerPay", bars, bar),
                  name.trimmed() + QStringLiteral("\nСумма: ") + pay);
        click("workerPay", bars, bar);
        auto* preview = window.findChild<outputwindows::ReportPreview*>();
        ASSERT_NE(preview, nullptr);
        const QStringList texts = test::textsOf(preview->document());
        EXPECT_EQ(texts.front(),
                  "   Детальный отчет по рабочим за период с 01.03.2026 по 01.04.2026");
        EXPECT_TRUE(texts.contains(name));
        EXPECT_EQ(reportTotal(texts, 3), pay);
        preview->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // The rest is nobody's report.
    EXPECT_EQ(cell(workers, 20, QStringLiteral("Рабочий")), QStringLiteral("Остальные (10)"));
    EXPECT_EQ(cell(workers, 20, QStringLiteral("№")), QString());
    click("workerPay", bars, 0);
    EXPECT_EQ(window.findChild<outputwindows::ReportPreview*>(), nullptr);
}

// Every bar and point tells its date or name and its figure on hover; the figure is the one the
// table prints.
TEST_F(ChartsWindowTest, HoverTellsTheDayAndTheExactFigure) {
    QChart& daily = chart("dailyOutput");
    widgets::DataGrid* days = grid("dailyOutput");
    const int kinds = rowWith(grid("kindOutput"), QStringLiteral("День"), "02.03.2026");
    ASSERT_GE(kinds, 0);
    const int hours = rowWith(grid("shiftHours"), QStringLiteral("День"), "02.03.2026");
    ASSERT_GE(hours, 0);
    const struct {
        const char* chart;
        QAbstractSeries* series;
        int index;
        QString tip;
    } cases[] = {
        {"dailyOutput", daily.series().front(), 1,
         "02.03.2026\nГодные: " + cell(days, 1, "Годные")},
        {"dailyOutput", seriesNamed(daily, "Сумма"), 1,
         "02.03.2026\nСумма: " + cell(days, 1, "Сумма")},
        {"dailyOutput", seriesNamed(daily, "Сумма, Февраль 2026"), 1,
         "02.02.2026\nСумма: " + cell(days, 1, "Сумма в прошлом месяце")},
        {"kindOutput", chart("kindOutput").series().front(), 1,
         "02.03.2026\n" + cell(grid("kindOutput"), kinds, "Вид продукции") + ": " +
             cell(grid("kindOutput"), kinds, "Годные")},
        {"shiftHours", chart("shiftHours").series().front(), 1,
         "02.03.2026\nСмена №1: " + cell(grid("shiftHours"), hours, "Часы") + " ч"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tip.toStdString());
        EXPECT_EQ(hover(c.chart, c.series, c.index), c.tip);
    }
    // The figures of the 2nd, known from the fixtures: 439,5 good pieces of the base fixture.
    EXPECT_EQ(cell(grid("shiftHours"), hours, "Смена"), "Смена №1");
    EXPECT_EQ(cell(grid("shiftHours"), hours, "Часы"), "32");
    EXPECT_EQ(cell(days, 27, "Сумма в прошлом месяце"), "1,00");
    EXPECT_EQ(cell(days, 28, "Сумма в прошлом месяце"), QString());
}

// "Таблица" shows each chart's figures as a grid, announced by the chart's title; the first one
// a row per day: the day, the good pieces, the pay. Enter on a row acts as a click on its bar.
TEST_F(ChartsWindowTest, TheTableShowsEachChartsFiguresAsAGrid) {
    auto* table = test::buttonCaptioned<QPushButton>(window, QStringLiteral("Таблица"));
    ASSERT_NE(table, nullptr);
    const char* const charts[] = {"dailyOutput", "workerPay", "kindOutput", "shiftHours"};
    for (const char* name : charts) {
        EXPECT_TRUE(view(name)->isVisible()) << name;
        EXPECT_FALSE(grid(name)->isVisible()) << name;
    }
    QTest::mouseClick(table, Qt::LeftButton);
    for (const char* name : charts) {
        EXPECT_FALSE(view(name)->isVisible()) << name;
        EXPECT_TRUE(grid(name)->isVisible()) << name;
        EXPECT_EQ(grid(name)->accessibleName(), view(name)->chart()->title()) << name;
        EXPECT_EQ(test::fieldLabelled<widgets::DataGrid>(window, view(name)->chart()->title()),
                  grid(name))
            << name;
    }
    widgets::DataGrid* days = grid("dailyOutput");
    QStringList titles;
    for (int column = 0; column < 3; ++column) {
        titles.append(days->model()->headerData(column, Qt::Horizontal).toString());
    }
    EXPECT_EQ(titles, (QStringList{"День", "Годные", "Сумма"}));
    EXPECT_EQ(days->model()->rowCount(), 31);
    EXPECT_EQ(cell(days, 0, "День"), "01.03.2026");
    EXPECT_EQ(cell(days, 30, "День"), "31.03.2026");

    // Enter on a row does what a click on its bar does: a day for the shift log, a worker's report.
    QSignalSpy chosen(&window, &ChartsWindow::dayChosen);
    days->setFocus();
    days->setCurrentIndex(days->model()->index(9, 0));
    QTest::keyClick(days, Qt::Key_Return);
    ASSERT_EQ(chosen.size(), 1);
    EXPECT_EQ(chosen.front().front().toDate(), QDate(2026, 3, 10));
    widgets::DataGrid* workers = grid("workerPay");
    for (const int row : {20, 0}) {
        workers->setFocus();
        workers->setCurrentIndex(workers->model()->index(row, 1));
        QTest::keyClick(workers, Qt::Key_Return);
    }
    const QList<outputwindows::ReportPreview*> previews =
        window.findChildren<outputwindows::ReportPreview*>();
    ASSERT_EQ(previews.size(), 1);  // the rest opens nothing
    EXPECT_TRUE(test::textsOf(previews.front()->document()).contains("Иванов Иван Иванович"));
    previews.front()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QTest::mouseClick(table, Qt::LeftButton);
    EXPECT_TRUE(view("dailyOutput")->isVisible());
}

// Another month by the pickers: February has 28 rows, a month without entries draws nothing and
// fails nothing.
TEST_F(ChartsWindowTest, AnotherMonthIsReadWhenChosen) {
    auto* month = test::fieldLabelled<QComboBox>(window, QStringLiteral("Месяц"));
    auto* year = test::fieldLabelled<QComboBox>(window, QStringLiteral("Год"));
    ASSERT_NE(month, nullptr);
    ASSERT_NE(year, nullptr);
    month->setCurrentText(QStringLiteral("Февраль"));
    EXPECT_EQ(grid("dailyOutput")->model()->rowCount(), 28);
    EXPECT_EQ(cell(grid("dailyOutput"), 27, "Сумма"), "1,00");
    year->setCurrentText(QStringLiteral("2020"));
    EXPECT_EQ(grid("dailyOutput")->model()->rowCount(), 29);
    EXPECT_EQ(grid("workerPay")->model()->rowCount(), 0);
    for (const char* name : {"dailyOutput", "workerPay", "kindOutput", "shiftHours"}) {
        EXPECT_TRUE(drawn(chart(name)).isEmpty()) << name;
    }
}

// A connection the server dropped is told once when a month is chosen; the next choice works.
TEST_F(ChartsWindowTest, ALostConnectionIsToldOnceAndTheNextChoiceWorks) {
    test::MessageRecorder messages;
    auto* month = test::fieldLabelled<QComboBox>(window, QStringLiteral("Месяц"));
    test::dropConnection(session.connection);
    month->setCurrentText(QStringLiteral("Февраль"));
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts()[0].startsWith(QStringLiteral("Подключение к БД отсутсвует")))
        << messages.texts()[0].toStdString();
    messages.clear();
    month->setCurrentText(QStringLiteral("Март"));
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(u'\n').toStdString();
    EXPECT_EQ(grid("dailyOutput")->model()->rowCount(), 31);
}

// "Сохранить…" proposes "Графики Март 2026.pdf" in the documents folder's "Табель" and writes
// the four charts on one A4 landscape page, or as one picture; a file that cannot be written is
// told and none is left.
TEST_F(ChartsWindowTest, SavesTheFourChartsAsOnePdfPageOrOnePicture) {
    test::MessageRecorder messages;
    auto* save = test::buttonCaptioned<QPushButton>(window, QStringLiteral("Сохранить…"));
    ASSERT_NE(save, nullptr);
    const QString folder = reports::outputFolder();
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    // Runs the dialog "Сохранить…" opens: what it proposes, and `choose` answers it.
    const auto saveAs = [&](const std::function<void(QFileDialog&)>& choose) {
        QString proposed;
        whenShown(&window, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            proposed = dialog->selectedFiles().value(0);
            choose(*dialog);
        });
        QTest::mouseClick(save, Qt::LeftButton);
        return proposed;
    };

    const QString pdf = folder + QStringLiteral("/Графики Март 2026.pdf");
    EXPECT_EQ(saveAs([](QFileDialog& dialog) { static_cast<QDialog&>(dialog).accept(); }), pdf);
    ASSERT_TRUE(QFileInfo::exists(pdf));
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {pdf});
    ASSERT_TRUE(info.waitForFinished(30000));
    const QString described = QString::fromUtf8(info.readAllStandardOutput());
    EXPECT_TRUE(described.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))))
        << described.toStdString();
    EXPECT_TRUE(described.contains(
        QRegularExpression(QStringLiteral("Page size:\\s+842 x 595 pts \\(A4\\)"))))
        << described.toStdString();
    EXPECT_TRUE(described.contains(QStringLiteral("Графики Март 2026")));

    const QString png = folder + QStringLiteral("/Графики Март 2026.png");
    EXPECT_EQ(saveAs([&](QFileDialog& dialog) {
                  dialog.selectFile(png);
                  static_cast<QDialog&>(dialog).accept();
              }),
              folder + QStringLiteral("/Графики Март 2026 (2).pdf"));
    const QImage picture(png);
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), QSize(1754, 1240));
    // Not a blank page: the bars are drawn in colour.
    int coloured = 0;
    for (int y = 0; y < picture.height(); y += 4) {
        for (int x = 0; x < picture.width(); x += 4) {
            const QColor c = picture.pixelColor(x, y);
            coloured += c.saturation() > 100 ? 1 : 0;
        }
    }
    EXPECT_GT(coloured, 1000);
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(u'\n').toStdString();

    const QString nowhere = folder + QStringLiteral("/нет такой папки/Графики.pdf");
    saveAs([&](QFileDialog& dialog) {
        dialog.selectFile(nowhere);
        static_cast<QDialog&>(dialog).accept();
    });
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts()[0].startsWith(QStringLiteral("Не удалось записать файл ") +
                                               QDir::toNativeSeparators(nowhere)))
        << messages.texts()[0].toStdString();
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 2);

    // Cancelled: nothing is written.
    saveAs([](QFileDialog& dialog) { dialog.reject(); });
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 2);
}

// The shift log opens the charts with Ctrl+G on the month of its date; a click on a day there
// shows that day in the shift log and closes the charts. A reader has no lists: his click
// changes nothing.
TEST_F(ChartsWindowTest, AClickOnADayShowsItInTheShiftLog) {
    window.hide();
    shiftlog::ShiftLogWindow log(session);
    log.setChartsWindow(&window);
    log.applyRights(shiftlog::ShiftLogRights{.timesheet = true, .reports = true, .browsing = true});
    log.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&log));
    QDate opened;
    whenShown(&window, [&] {
        opened = grid("dailyOutput")->dataset()->valueAt(0, 0).toDate();
        test::fieldLabelled<QComboBox>(window, QStringLiteral("Год"))->setCurrentText("2026");
        test::fieldLabelled<QComboBox>(window, QStringLiteral("Месяц"))->setCurrentText("Март");
        click("dailyOutput", chart("dailyOutput").series().front(), 9);
    });
    QTest::keyClick(&log, Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(opened, QDate(QDate::currentDate().year(), QDate::currentDate().month(), 1));
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(log.workingDate(), QDate(2026, 3, 10));

    // A reader's shift log stays where it was, and so do the charts.
    log.applyRights(shiftlog::rightsFor(data::GroupRoles{}));
    window.selectMonth(QDate(2026, 3, 1));
    window.show();
    click("dailyOutput", chart("dailyOutput").series().front(), 20);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(log.workingDate(), QDate(2026, 3, 10));
    log.hide();
}

// The month shown follows what other sessions commit, within the feed's delay: a new entry moves
// its day's bars, an entry moved to the month before moves the faint line, hours and an
// operation's product kind move theirs; another month's changes leave every chart as it was.
class ChartsLiveTest : public ChartsWindowTest {
protected:
    static void SetUpTestSuite() {}
    void SetUp() override {
        test::loadBaseFixture();
        test::loadFixture(QStringLiteral("tests/charts/fixture_charts.sql"));
        ChartsWindowTest::SetUp();
        session.changes.start(session.connection.connectionString());
        EXPECT_SOON(session.changes.isLive(), kWaitMs);
    }
    double value(const char* chartName, const QString& key) {
        return drawn(chart(chartName)).value(key);
    }
    QList<QMap<QString, double>> everything() {
        QList<QMap<QString, double>> all;
        for (const char* name : {"dailyOutput", "workerPay", "kindOutput", "shiftHours"}) {
            all.append(drawn(chart(name)));
        }
        return all;
    }
};

TEST_F(ChartsLiveTest, TheMonthShownFollowsWhatOtherSessionsCommit) {
    const double pieces = value("dailyOutput", "Годные/5");
    const double pay = value("dailyOutput", "Сумма/5");
    const double finished = value("kindOutput", "Готовая продукция/5");
    const double february = value("dailyOutput", "Сумма, Февраль 2026/5");
    const QString topPay = cell(grid("workerPay"), 0, "Сумма");
    ASSERT_EQ(cell(grid("workerPay"), 0, "Рабочий"), "Иванов Иван Иванович");

    test::adminExec(QStringLiteral(
        "insert into accounts_dep.smena (id, data, smena, w_id, i_id, o_id, cena, kol_vo, brak, "
        "time, ok) values (500, '2026-03-05', 1, 101, 1, 1, 2, 7, 0, 1, 'no')"));
    EXPECT_SOON_EQ(value("dailyOutput", "Годные/5"), pieces + 7, kWaitMs);
    EXPECT_EQ(value("dailyOutput", "Сумма/5"), pay + 14);
    EXPECT_EQ(value("kindOutput", "Готовая продукция/5"), finished + 7);
    const core::Decimal raised = [&] {
        core::Decimal sum = *core::Decimal::fromText(QString(topPay).replace(u',', u'.'));
        sum.add(core::Decimal::fromInteger(14));
        return sum;
    }();
    EXPECT_EQ(cell(grid("workerPay"), 0, "Сумма"), payText(raised));

    // Moved to February: its day there rises, the 5th of March is as it was.
    test::adminExec(
        QStringLiteral("update accounts_dep.smena set data = '2026-02-05' where id = 500"));
    EXPECT_SOON_EQ(value("dailyOutput", "Годные/5"), pieces, kWaitMs);
    EXPECT_EQ(value("dailyOutput", "Сумма, Февраль 2026/5"), february + 14);
    EXPECT_EQ(cell(grid("workerPay"), 0, "Сумма"), topPay);

    test::adminExec(
        QStringLiteral("update accounts_dep.h_tabel set d7 = 6 where w_id = 103 and "
                       "smena = 1 and month = 3 and year = 2026"));
    EXPECT_SOON_EQ(value("shiftHours", "Смена №1/7"), 6, kWaitMs);

    // Operation 7 becomes finished goods: its pieces change stacks, the day's sum stays.
    const QMap<QString, double> kinds = drawn(chart("kindOutput"));
    double blanksOfOperation7 = 0;
    const QString day = test::adminQuery(QStringLiteral(
        "select extract(day from data)::int from accounts_dep.smena where o_id = 7 order by id "
        "limit 1"));
    blanksOfOperation7 =
        test::adminQuery(QStringLiteral("select sum(kol_vo::numeric - brak) from "
                                        "accounts_dep.smena s join accounts_dep.v_worker w "
                                        "on w.s_code = s.w_id where o_id = 7 and data = "
                                        "'2026-03-01'::date + %1 - 1")
                             .arg(day))
            .toDouble();
    ASSERT_GT(blanksOfOperation7, 0);
    test::adminExec(QStringLiteral("update accounts_dep.oper set naimen = 0 where id = 7"));
    EXPECT_SOON_EQ(value("kindOutput", "Готовая продукция/" + day),
                   kinds.value("Готовая продукция/" + day) + blanksOfOperation7, kWaitMs);
    EXPECT_EQ(value("kindOutput", "Заготовки/" + day),
              kinds.value("Заготовки/" + day) - blanksOfOperation7);

    // May is not shown: nothing moves.
    const QList<QMap<QString, double>> before = everything();
    test::adminExec(QStringLiteral(
        "insert into accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, kol_vo, brak, "
        "time, ok) values ('2026-05-05', 1, 101, 1, 1, 2, 7, 0, 1, 'no'); "
        "update accounts_dep.h_tabel set d7 = 3 where w_id = 201 and month = 2"));
    QTest::qWait(2 * data::ChangeFeed::kBatchMs + 500);
    EXPECT_EQ(everything(), before);
}

}  // namespace
}  // namespace tabel::charts
