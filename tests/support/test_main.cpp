// Runs the GoogleTest cases inside a plain QApplication, as the program's, with the Russian locale
// the program uses: a failure that escapes a window's handler reaches the test (or ends it).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>


int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    // The program writes its spreadsheets and PDFs into the desktop's documents folder: the
    // tests get one of their own, removed at the end.
    QTemporaryDir desktop;
    QDir(desktop.path()).mkpath(QStringLiteral("documents"));
    QFile dirs(desktop.filePath(QStringLiteral("user-dirs.dirs")));
    if (dirs.open(QIODevice::WriteOnly)) {
        dirs.write("XDG_DOCUMENTS_DIR=\"" +
                   QFile::encodeName(desktop.filePath(QStringLiteral("documents"))) + "\"\n");
        dirs.close();
    }
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(desktop.path()));
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
