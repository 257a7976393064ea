// Runs the GoogleTest cases inside a QApplication, with the Russian locale the program uses.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLocale>

#include "widgets/error_display.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    tabel::widgets::GuardedApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
