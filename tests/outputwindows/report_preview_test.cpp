// The preview window: caption, navigation, keys, zoom and painting only what is visible.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPrinter>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "outputwindows/report_preview.h"
#include "reportengine/report_layout.h"
#include "widgets/work_progress.h"

namespace tabel::outputwindows {

using namespace reportengine;

namespace {

ReportDocument manyPages(int count) {
    ReportDefinition d;
    d.title = "   Отчет по рабочим за период с 01.02.2026 по 01.03.2026";
    ReportItem item;
    item.kind = ItemKind::Expression;
    item.text = "n";
    item.rect = QRectF(0, 0, 50, 5);
    d.detail.height = 277;  // one row a page
    d.detail.items = {item};
    QList<QList<QVariant>> rows;
    for (int i = 1; i <= count; ++i) {
        rows.append(QList<QVariant>{i});
    }
    return prepareReport(d, TableData({"n"}, rows));
}

TEST(PreviewTest, CaptionNavigationAndKeys) {
    ReportPreview preview(manyPages(500));
    preview.resize(800, 600);
    preview.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&preview));
    EXPECT_EQ(preview.windowTitle(),
              "Предварительный просмотр Отчет по рабочим за период с 01.02.2026 по 01.03.2026");
    EXPECT_EQ(preview.view()->fit(), PageView::Fit::PageWidth);
    EXPECT_EQ(preview.pageCaption(), "стр. 1 из 500");

    QTest::keyClick(&preview, Qt::Key_PageDown);
    EXPECT_EQ(preview.pageCaption(), "стр. 2 из 500");
    QTest::keyClick(&preview, Qt::Key_End);
    EXPECT_EQ(preview.pageCaption(), "стр. 500 из 500");
    QTest::keyClick(&preview, Qt::Key_PageUp);
    EXPECT_EQ(preview.pageCaption(), "стр. 499 из 500");
    QTest::keyClick(&preview, Qt::Key_Home);
    EXPECT_EQ(preview.pageCaption(), "стр. 1 из 500");
    preview.findChild<QAction*>("LastPage")->trigger();
    EXPECT_EQ(preview.pageCaption(), "стр. 500 из 500");

    preview.view()->viewport()->grab();
    EXPECT_FALSE(preview.view()->lastPainted().isEmpty());
    EXPECT_LE(preview.view()->lastPainted().size(), 2);
    EXPECT_EQ(preview.view()->lastPainted().back(), 499);

    const double width = preview.view()->scale();
    preview.findChild<QAction*>("ZoomIn")->trigger();
    EXPECT_GT(preview.view()->scale(), width);
    EXPECT_EQ(preview.pageCaption(), "стр. 500 из 500");  // zoom keeps the page
    preview.findChild<QAction*>("WholePage")->trigger();
    EXPECT_LT(preview.view()->scale(), width);

    QTest::keyClick(&preview, Qt::Key_Escape);
    EXPECT_FALSE(preview.isVisible());
}

TEST(PreviewTest, WholePageLayoutsOpenWholePage) {
    ReportDocument doc = manyPages(1);
    doc.previewWholePage = true;
    ReportPreview preview(doc);
    EXPECT_EQ(preview.view()->fit(), PageView::Fit::WholePage);
    EXPECT_EQ(preview.pageCaption(), "стр. 1 из 1");
}

// Printing paints every page through the same painter as the preview.
TEST(PreviewTest, PrintsEveryPage) {
    ReportPreview preview(manyPages(3));
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("printed.pdf"));
    preview.printTo(printer);
    QFile file(dir.filePath("printed.pdf"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray pdf = file.readAll();
    EXPECT_TRUE(pdf.startsWith("%PDF"));
    EXPECT_EQ(pdf.count("/Type /Page") - pdf.count("/Type /Pages"), 3);
}

// "Отмена" in the progress dialog of saving as PDF: no file, and saving again works.
TEST(PreviewTest, CancelledSaveLeavesNoFile) {
    widgets::WorkProgress::setShowDelay(0);
    ReportPreview preview(manyPages(40));
    QTemporaryDir dir;
    const QString path = dir.filePath("report.pdf");
    bool pressed = false;
    QTimer press;
    QObject::connect(&press, &QTimer::timeout, [&] {
        if (auto* dialog = preview.findChild<QProgressDialog*>(); dialog && dialog->isVisible()) {
            dialog->cancel();
            pressed = true;
        }
    });
    press.start(0);
    EXPECT_FALSE(preview.saveAs(path));
    press.stop();
    EXPECT_TRUE(pressed);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    EXPECT_TRUE(preview.saveAs(path));
    EXPECT_TRUE(QFile::exists(path));
    widgets::WorkProgress::setShowDelay(500);
}

}  // namespace
}  // namespace tabel::outputwindows
