// The command line runs where there is no window system: a report job through the batch
// library loads neither Qt Widgets nor Qt PrintSupport.
#include <gtest/gtest.h>

#include <link.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>

#include <string>
#include <vector>

#include "batch/batch.h"
#include "test_db.h"

namespace tabel::test {
namespace {

// The file names of every shared object in the process.
QStringList loadedLibraries() {
    QStringList names;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) {
            static_cast<QStringList*>(data)->append(
                QFileInfo(QString::fromLocal8Bit(info->dlpi_name)).fileName());
            return 0;
        },
        &names);
    return names;
}

TEST(BatchWithoutWidgets, WritesAReportAndLoadsNoWidgets) {
    {
        // The fixtures are loaded through psql, which wants an application of its own.
        int argc = 1;
        char name[] = "batch_without_widgets_tests";
        char* argv[] = {name, nullptr};
        QCoreApplication app(argc, argv);
        loadBaseFixture();
        loadFixture(QStringLiteral("tests/reports/fixture_reports.sql"));
    }
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString pdf = dir.filePath(QStringLiteral("workers.pdf"));
    qputenv("TABEL_PASSWORD", "master");
    const QStringList arguments{QStringLiteral("tabel"),
                                testServer(),
                                QStringLiteral("tabel"),
                                QStringLiteral("--user"),
                                QStringLiteral("master"),
                                QStringLiteral("--report"),
                                QStringLiteral("workers"),
                                QStringLiteral("--from"),
                                QStringLiteral("01.04.2026"),
                                QStringLiteral("--to"),
                                QStringLiteral("01.05.2026"),
                                QStringLiteral("--pdf"),
                                pdf};
    std::vector<std::string> storage;
    for (const QString& argument : arguments) {
        storage.push_back(argument.toStdString());
    }
    std::vector<char*> argv;
    for (std::string& argument : storage) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    const data::Deployment deployment{testServer(), QStringLiteral("tabel"), QStringLiteral("sys"),
                                      QStringLiteral("1234")};

    EXPECT_EQ(batch::run(int(argv.size()) - 1, argv.data(), deployment), batch::kSuccess);
    EXPECT_GT(QFileInfo(pdf).size(), 0);

    const QStringList libraries = loadedLibraries();
    // The walk sees Qt at all: the report was painted through Qt GUI.
    EXPECT_FALSE(libraries.filter(QStringLiteral("libQt6Gui")).isEmpty())
        << libraries.join(u' ').toStdString();
    EXPECT_TRUE(libraries.filter(QStringLiteral("libQt6Widgets")).isEmpty())
        << libraries.join(u' ').toStdString();
    EXPECT_TRUE(libraries.filter(QStringLiteral("libQt6PrintSupport")).isEmpty())
        << libraries.join(u' ').toStdString();
}

}  // namespace
}  // namespace tabel::test
