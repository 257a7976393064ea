// The number boxes keep only what a number of their kind can hold, whether typed or pasted.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>

#include "widgets/input_filters.h"

namespace tabel::widgets {
namespace {

struct Case {
    const char* before;  // the box's text, the cursor at its end
    const char* input;
    bool paste;  // Ctrl+V of the input instead of typing it key by key
    const char* decimal;
    const char* digits;
};

const Case kCases[] = {
    {"", "12,5", false, "12,5", "125"},
    {"", "12.5", false, "12,5", "125"},
    {"", "1a2 b-3+e", false, "123", "123"},
    {"7", "x", false, "7", "7"},
    {"", "12,5", true, "12,5", "125"},
    {"", "3.75", true, "3,75", "375"},
    {"1", "2 000,5 руб", true, "12000,5", "120005"},
    {"", "abc", true, "", ""},
    {"", "-5", true, "5", "5"},
};

QString typedInto(bool decimal, const Case& c) {
    QLineEdit box;
    decimal ? acceptDecimalInput(&box) : acceptDigitInput(&box);
    box.setText(QString::fromUtf8(c.before));  // a program's own text is not filtered
    box.setCursorPosition(int(box.text().size()));
    const QString input = QString::fromUtf8(c.input);
    if (c.paste) {
        QApplication::clipboard()->setText(input);
        QTest::keyClick(&box, Qt::Key_V, Qt::ControlModifier);
    } else {
        QTest::keyClicks(&box, input);
    }
    return box.text();
}

TEST(InputFiltersTest, KeysAndPastedTextKeepOnlyWhatTheBoxTakes) {
    for (const Case& c : kCases) {
        EXPECT_EQ(typedInto(true, c), QString::fromUtf8(c.decimal))
            << "decimal box: " << c.before << " + " << c.input;
        EXPECT_EQ(typedInto(false, c), QString::fromUtf8(c.digits))
            << "count box: " << c.before << " + " << c.input;
    }
}

TEST(InputFiltersTest, APasteInTheMiddleLeavesTheCursorAfterWhatWasKept) {
    QLineEdit box;
    acceptDecimalInput(&box);
    box.setText(QStringLiteral("19"));
    box.setCursorPosition(1);
    QApplication::clipboard()->setText(QStringLiteral("x2.5y"));
    QTest::keyClick(&box, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(box.text(), QStringLiteral("12,59"));
    EXPECT_EQ(box.cursorPosition(), 4);
}

TEST(InputFiltersTest, EditingKeysStillWork) {
    QLineEdit box;
    acceptDecimalInput(&box);
    QTest::keyClicks(&box, QStringLiteral("12,5"));
    QTest::keyClick(&box, Qt::Key_Backspace);
    QTest::keyClick(&box, Qt::Key_Home);
    QTest::keyClick(&box, Qt::Key_Delete);
    EXPECT_EQ(box.text(), QStringLiteral("2,"));
}

}  // namespace
}  // namespace tabel::widgets
