// Runs the GoogleTest cases inside a QApplication, with the Russian locale the program uses.
// Built twice: under the program's guarded application, and under a plain one, where a failure
// that escapes a window's handler reaches the test (or ends it) instead of a message box.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include "widgets/error_display.h"

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
#ifdef TABEL_TEST_PLAIN_APPLICATION
    QApplication app(argc, argv);
#else
    tabel::widgets::GuardedApplication app(argc, argv);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
