#pragma once
// Typing any text, Cyrillic included, into a widget as key events.

#include <QString>
#include <QTest>
#include <QWidget>

namespace tabel::test {

inline void typeInto(QWidget* widget, const QString& text) {
    for (const QChar ch : text) {
        QTest::sendKeyEvent(QTest::Press, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
}

}  // namespace tabel::test
