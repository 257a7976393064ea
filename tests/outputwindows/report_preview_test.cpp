// The preview window: caption, navigation, keys, zoom and painting only what is visible.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

#include "message_recorder.h"
#include "outputwindows/report_preview.h"
#include "reportengine/report_layout.h"
#include "widgets/user_action.h"
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

// The preview's own controls, found by name.
PageView* view(const ReportPreview& preview) {
    return preview.findChild<PageView*>(QStringLiteral("PageView"));
}
QString pageCaption(const ReportPreview& preview) {
    return preview.findChild<QLabel*>(QStringLiteral("PageLabel"))->text();
}

TEST(PreviewTest, CaptionNavigationAndKeys) {
    ReportPreview preview(manyPages(500));
    preview.resize(800, 600);
    preview.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&preview));
    EXPECT_EQ(preview.windowTitle(),
              "Предварительный просмотр Отчет по рабочим за период с 01.02.2026 по 01.03.2026");
    EXPECT_EQ(view(preview)->fit(), PageView::Fit::PageWidth);
    EXPECT_EQ(pageCaption(preview), "стр. 1 из 500");

    QTest::keyClick(&preview, Qt::Key_PageDown);
    EXPECT_EQ(pageCaption(preview), "стр. 2 из 500");
    QTest::keyClick(&preview, Qt::Key_End);
    EXPECT_EQ(pageCaption(preview), "стр. 500 из 500");
    QTest::keyClick(&preview, Qt::Key_PageUp);
    EXPECT_EQ(pageCaption(preview), "стр. 499 из 500");
    QTest::keyClick(&preview, Qt::Key_Home);
    EXPECT_EQ(pageCaption(preview), "стр. 1 из 500");
    preview.findChild<QAction*>("LastPage")->trigger();
    EXPECT_EQ(pageCaption(preview), "стр. 500 из 500");

    view(preview)->viewport()->grab();
    EXPECT_FALSE(view(preview)->lastPainted().isEmpty());
    EXPECT_LE(view(preview)->lastPainted().size(), 2);
    EXPECT_EQ(view(preview)->lastPainted().back(), 499);

    const double width = view(preview)->scale();
    preview.findChild<QAction*>("ZoomIn")->trigger();
    EXPECT_GT(view(preview)->scale(), width);
    EXPECT_EQ(pageCaption(preview), "стр. 500 из 500");  // zoom keeps the page
    preview.findChild<QAction*>("WholePage")->trigger();
    EXPECT_LT(view(preview)->scale(), width);

    QTest::keyClick(&preview, Qt::Key_Escape);
    EXPECT_FALSE(preview.isVisible());
}

TEST(PreviewTest, WholePageLayoutsOpenWholePage) {
    ReportDocument doc = manyPages(1);
    doc.previewWholePage = true;
    ReportPreview preview(doc);
    EXPECT_EQ(view(preview)->fit(), PageView::Fit::WholePage);
    EXPECT_EQ(pageCaption(preview), "стр. 1 из 1");
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

// "Печать…" hands the print dialog a printer whose "print to file" proposes the documents
// folder's "Табель" and the report's name, a free one.
TEST(PreviewTest, PrintToFileProposesTheOutputFolderAndTheReportsName) {
    QTemporaryDir config;
    ASSERT_TRUE(config.isValid());
    const QString documents = config.filePath(QStringLiteral("Документы"));
    QFile dirs(config.filePath(QStringLiteral("user-dirs.dirs")));
    ASSERT_TRUE(dirs.open(QIODevice::WriteOnly));
    dirs.write("XDG_DOCUMENTS_DIR=\"" + QFile::encodeName(documents) + "\"\n");
    dirs.close();
    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    const QString folder = documents + QStringLiteral("/Табель/");
    const QString dash(QChar(0x2013));
    const struct {
        QString title;
        QString taken;  // a file already there
        QString proposed;
    } cases[] = {
        {QStringLiteral("   Отчет по рабочим за период с 01.02.2026 по 01.03.2026"),
         {},
         QStringLiteral("Отчет по рабочим 01.02.2026") + dash + QStringLiteral("01.03.2026.pdf")},
        {QStringLiteral("Табель Ноябрь 2026 г."), {}, QStringLiteral("Табель Ноябрь 2026.pdf")},
        {QStringLiteral("Табель Ноябрь 2026 г."), QStringLiteral("Табель Ноябрь 2026.pdf"),
         QStringLiteral("Табель Ноябрь 2026 (2).pdf")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.proposed.toStdString());
        if (!c.taken.isEmpty()) {
            QDir().mkpath(folder);
            QFile taken(folder + c.taken);
            ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
        }
        ReportDocument document = manyPages(2);
        document.title = c.title;
        ReportPreview preview(std::move(document));
        QString proposed;
        QTimer look;
        QObject::connect(&look, &QTimer::timeout, [&] {
            if (auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget())) {
                proposed = dialog->printer()->outputFileName();
                dialog->reject();
            }
        });
        look.start(0);
        preview.findChild<QAction*>(QStringLiteral("Print"))->trigger();
        look.stop();
        EXPECT_EQ(proposed, folder + c.proposed);
    }
    qputenv("XDG_CONFIG_HOME", savedConfig);
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

// A file or printer that cannot be written ends the action in a message of its own words,
// and nothing is left behind.
TEST(PreviewTest, AFileOrPrinterThatCannotBeWrittenIsToldAndLeavesNothing) {
    test::MessageRecorder messages;
    ReportPreview preview(manyPages(3));
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("no such folder"));
    const QString path = missing + QStringLiteral("/report.pdf");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(missing + QStringLiteral("/printed.pdf"));
    const struct {
        const char* name;
        std::function<void()> act;
        QString told;  // how the message starts
    } cases[] = {
        {"PDF", [&] { preview.saveAs(path); },
         QStringLiteral("Не удалось сохранить файл ") + path + QStringLiteral(": ")},
        {"printer", [&] { preview.printTo(printer); }, QStringLiteral("Принтер недоступен.")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        messages.clear();
        EXPECT_THROW(c.act(), widgets::ActionFailure);
        EXPECT_FALSE(widgets::runAction(c.act));
        ASSERT_EQ(messages.texts().size(), 1);
        EXPECT_TRUE(messages.texts()[0].startsWith(c.told)) << messages.texts()[0].toStdString();
        EXPECT_EQ(messages.messages()[0].kind, core::MessageKind::Stop);
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList());
}

}  // namespace
}  // namespace tabel::outputwindows
