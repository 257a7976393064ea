// Printed reports cut no text and leave no group header alone: a name longer than its column
// wraps within the column and the row grows; a group header at a page's foot moves to the next
// page with its first line; a page that goes on with a group repeats its header, continued; a
// group that asks for it starts every next one on a page of its own.
#include <gtest/gtest.h>

#include <QFont>
#include <QFontMetricsF>

#include <functional>
#include <vector>

#include "reportengine/report_layout.h"

namespace tabel::reportengine {
namespace {

ReportItem expr(const QString& text, double x, double width) {
    ReportItem item;
    item.kind = ItemKind::Expression;
    item.text = text;
    item.rect = QRectF(x, 0, width, 5);
    return item;
}

Band band(std::vector<ReportItem> items, double height = 5) {
    Band b;
    b.height = height;
    b.items = std::move(items);
    return b;
}

// Workers with their pieces: a group header per worker, a line per piece, a page footer.
ReportDefinition workers(double nameWidth, double reportHeader) {
    ReportDefinition d;
    d.title = "Тест";
    d.reportHeader = band({expr("'заголовок'", 0, 100)}, reportHeader);
    d.groups.push_back({"fio", band({expr("'WH '+fio", 0, 150)}), band({expr("'WF'", 0, 50)})});
    d.detail = band({expr("fio", 0, nameWidth), expr("STR(kolvo)", nameWidth, 20)});
    d.pageFooter = band({expr("'P '+STR(PAGENUMBER)", 0, 50)});
    return d;
}

// The same with a page of its own for every worker, and a total at the end.
ReportDefinition workerPerPage(double reportHeader) {
    ReportDefinition d = workers(60, reportHeader);
    d.groups.front().newPageAfter = true;
    d.reportFooter = band({expr("'T '+STR(sum(kolvo))", 0, 50)});
    return d;
}

// Workers by brigade, a page of its own for every worker, the brigade going on over them.
ReportDefinition brigadesWorkerPerPage() {
    ReportDefinition d = workers(60, 5);
    d.groups.insert(d.groups.begin(), {"brigade", band({expr("'BH '+brigade", 0, 150)}), band({})});
    d.groups.back().newPageAfter = true;
    return d;
}

// Every page's texts, page footers left out.
std::vector<QStringList> pageTexts(const ReportDocument& doc) {
    std::vector<QStringList> pages;
    for (const Page& page : doc.pages) {
        QStringList texts;
        for (const QString& t : page.texts()) {
            if (!t.startsWith("P ")) {
                texts.append(t);
            }
        }
        pages.push_back(texts);
    }
    return pages;
}

TableData rows(const std::vector<std::pair<QString, int>>& groups) {
    QList<QList<QVariant>> all;
    for (const auto& [name, count] : groups) {
        for (int i = 1; i <= count; ++i) {
            all.append({name, i});
        }
    }
    return TableData({"fio", "kolvo"}, all);
}

std::vector<const PageItem*> textsOf(const Page& page) {
    std::vector<const PageItem*> texts;
    for (const PageItem& item : page.items) {
        if (item.kind == PageItem::Kind::Text) {
            texts.push_back(&item);
        }
    }
    return texts;
}

// Text width in mm as the painter sets it.
double widthOf(const QString& text, const FontStyle& style) {
    QFont font;
    font.setPixelSize(int(std::lround(style.pointSize * 25.4 / 72.0 * 10)));
    font.setBold(style.bold);
    return QFontMetricsF(font).horizontalAdvance(text) / 10;
}

const QString kLongName = "Константинопольский-Задунайский Александр Владимирович";

struct Case {
    const char* name;
    ReportDefinition definition;
    TableData data;
    std::function<void(const ReportDocument&)> check;
};

class ReportBreaksTest : public ::testing::TestWithParam<int> {};

std::vector<Case> cases() {
    return {
        {"a long name wraps within its column and its row grows", workers(30, 5),
         rows({{kLongName, 2}, {"Петров", 1}}),
         [](const ReportDocument& doc) {
             ASSERT_EQ(doc.pageCount(), 1);
             QStringList names;  // the name column's texts, top to bottom
             double lastBottom = 0;
             for (const PageItem* t : textsOf(doc.pages[0])) {
                 // No text is wider than its column.
                 EXPECT_LE(widthOf(t->text, t->font), t->rect.width() + 0.1)
                     << t->text.toStdString();
                 if (t->rect.left() == 10 && t->rect.width() == 30) {
                     EXPECT_GE(t->rect.top(), lastBottom - 1e-6) << t->text.toStdString();
                     lastBottom = t->rect.bottom();
                     names.append(t->text);
                 }
             }
             EXPECT_GT(names.size(), 3);  // each long name takes lines of its own
             EXPECT_EQ(names.join("").remove(' '),
                       QString(kLongName + kLongName + "Петров").remove(' '));
         }},
        {"a group header at the foot of a page goes to the next with its first line",
         // 5 mm report header, 50 lines of the first worker: the second worker's header would
         // be the last band on page 1.
         workers(60, 5), rows({{"Иванов", 50}, {"Петров", 3}}),
         [](const ReportDocument& doc) {
             ASSERT_EQ(doc.pageCount(), 2);
             const std::vector<const PageItem*> first = textsOf(doc.pages[0]);
             ASSERT_GE(first.size(), 2u);
             EXPECT_EQ(first[first.size() - 2]->text, "WF");  // before the page footer
             const std::vector<const PageItem*> second = textsOf(doc.pages[1]);
             ASSERT_GE(second.size(), 2u);
             EXPECT_EQ(second[0]->text, "WH Петров");
             EXPECT_EQ(second[1]->text, "Петров");
         }},
        {"a page that goes on with a group repeats its header, continued", workers(60, 5),
         rows({{"Иванов", 70}}),
         [](const ReportDocument& doc) {
             ASSERT_EQ(doc.pageCount(), 2);
             const std::vector<const PageItem*> second = textsOf(doc.pages[1]);
             ASSERT_GE(second.size(), 2u);
             EXPECT_EQ(second[0]->text, "WH Иванов (продолжение)");
             EXPECT_EQ(second[1]->text, "Иванов");
             int headers = 0;
             for (const PageItem* t : textsOf(doc.pages[0])) {
                 headers += t->text.startsWith("WH ") ? 1 : 0;
             }
             EXPECT_EQ(headers, 1);
         }},
        {"a group's footer on a page of its own still says whose it is",
         // 52 lines fill page 1 to its foot; only the footer goes on to page 2.
         workers(60, 5), rows({{"Иванов", 52}}),
         [](const ReportDocument& doc) {
             ASSERT_EQ(doc.pageCount(), 2);
             const std::vector<const PageItem*> second = textsOf(doc.pages[1]);
             ASSERT_GE(second.size(), 1u);
             EXPECT_EQ(second[0]->text, "WH Иванов (продолжение)");
             for (const PageItem* t : second) {
                 EXPECT_NE(t->text, "WH Иванов");
             }
         }},
        {"a worker a page: each starts a page, the total follows the last one", workerPerPage(5),
         rows({{"Иванов", 2}, {"Петров", 1}, {"Сидоров", 1}}),
         [](const ReportDocument& doc) {
             const std::vector<QStringList> pages = pageTexts(doc);
             ASSERT_EQ(pages.size(), 3u);
             EXPECT_EQ(pages[0],
                       QStringList({"заголовок", "WH Иванов", "Иванов", "1", "Иванов", "2", "WF"}));
             EXPECT_EQ(pages[1], QStringList({"WH Петров", "Петров", "1", "WF"}));
             EXPECT_EQ(pages[2], QStringList({"WH Сидоров", "Сидоров", "1", "WF", "T 5"}));
             EXPECT_EQ(doc.pages[2].texts().back(), "P 3");
         }},
        {"a worker a page after one that fills two: no empty page between them", workerPerPage(5),
         rows({{"Иванов", 70}, {"Петров", 1}}),
         [](const ReportDocument& doc) {
             const std::vector<QStringList> pages = pageTexts(doc);
             ASSERT_EQ(pages.size(), 3u);
             EXPECT_EQ(pages[1].front(), "WH Иванов (продолжение)");
             EXPECT_EQ(pages[1].back(), "WF");
             EXPECT_EQ(pages[2].front(), "WH Петров");
         }},
        {"a worker a page whose footer filled the page: the next starts the next page",
         // 52 lines fill page 1; the footer alone goes on to page 2, Петров to page 3.
         workerPerPage(5), rows({{"Иванов", 52}, {"Петров", 1}}),
         [](const ReportDocument& doc) {
             const std::vector<QStringList> pages = pageTexts(doc);
             ASSERT_EQ(pages.size(), 3u);
             EXPECT_EQ(pages[1], QStringList({"WH Иванов (продолжение)", "WF"}));
             EXPECT_EQ(pages[2].front(), "WH Петров");
         }},
        {"one worker, or none: one page and no empty one", workerPerPage(5), rows({{"Иванов", 1}}),
         [](const ReportDocument& doc) {
             EXPECT_EQ(pageTexts(doc), std::vector<QStringList>({{"заголовок", "WH Иванов",
                                                                  "Иванов", "1", "WF", "T 1"}}));
             EXPECT_EQ(pageTexts(prepareReport(workerPerPage(5), rows({}))),
                       std::vector<QStringList>({{"заголовок", "T 0"}}));
         }},
        {"an inner group a page: the outer group goes on over the pages, continued",
         brigadesWorkerPerPage(),
         TableData({"brigade", "fio", "kolvo"},
                   {{"И", "Иванов", 1}, {"И", "Ивашов", 1}, {"П", "Петров", 1}}),
         [](const ReportDocument& doc) {
             const std::vector<QStringList> pages = pageTexts(doc);
             ASSERT_EQ(pages.size(), 3u);
             EXPECT_EQ(pages[0],
                       QStringList({"заголовок", "BH И", "WH Иванов", "Иванов", "1", "WF"}));
             EXPECT_EQ(pages[1],
                       QStringList({"BH И (продолжение)", "WH Ивашов", "Ивашов", "1", "WF"}));
             EXPECT_EQ(pages[2], QStringList({"BH П", "WH Петров", "Петров", "1", "WF"}));
         }},
    };
}

TEST_P(ReportBreaksTest, Case) {
    const std::vector<Case> all = cases();
    const Case& c = all[size_t(GetParam())];
    SCOPED_TRACE(c.name);
    c.check(prepareReport(c.definition, c.data));
}

INSTANTIATE_TEST_SUITE_P(Cases, ReportBreaksTest, ::testing::Range(0, int(cases().size())));

}  // namespace
}  // namespace tabel::reportengine
