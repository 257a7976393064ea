// The spreadsheet layer: cells read back from the written .xlsx, and every message a window's
// action shows for its refusals.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "message_recorder.h"
#include "reports/output_files.h"
#include "reports/spreadsheet.h"
#include "widgets/user_action.h"
#include "xlsx_reader.h"

namespace tabel::reports {
namespace {

using core::MessageKind;
using test::XlsxBook;

// "Stop|title|text" lines, so that a failure shows every box at once.
QStringList describe(const QList<test::RecordedMessage>& messages) {
    QStringList out;
    for (const auto& m : messages) {
        const QString kind =
            m.kind == MessageKind::Stop ? QStringLiteral("Stop") : QStringLiteral("Other");
        out.append(kind + u'|' + m.title + u'|' + m.text);
    }
    return out;
}

// The information after a written book no program showed.
QString information(const QString& path) {
    return QStringLiteral("Other|Информация|Книга сохранена в файл ") +
           QDir::toNativeSeparators(path) +
           QStringLiteral(". Программа для её просмотра не найдена: откройте файл сами.");
}

QString stop(const QString& title, const QString& text) {
    return QStringLiteral("Stop|") + title + u'|' + text;
}

class SpreadsheetTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp_.isValid());
        savedTmp_ = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(tmp_.path()));
        Spreadsheet::setOpener([this](const QString& path) {
            opened_.append(path);
            return openerSucceeds_;
        });
    }
    void TearDown() override {
        Spreadsheet::setOpener({});
        if (savedTmp_.isNull()) {
            qunsetenv("TMPDIR");
        } else {
            qputenv("TMPDIR", savedTmp_);
        }
    }

    // Shows the workbook and reads back the file it went to.
    XlsxBook show() {
        EXPECT_NO_THROW(book_.SetExcelVisible(true));
        const XlsxBook read = test::readXlsx(book_.lastFilePath());
        EXPECT_TRUE(read.ok) << read.error.toStdString();
        return read;
    }

    QStringList messages() const { return describe(recorder_.messages()); }

    // Runs `call` as a window's handler runs its action; the boxes it ended in.
    QStringList boxesOf(const std::function<void()>& call) {
        recorder_.clear();
        widgets::runAction(call);
        return messages();
    }

    QTemporaryDir tmp_;
    QByteArray savedTmp_;
    test::MessageRecorder recorder_;
    QStringList opened_;
    bool openerSucceeds_ = true;
    Spreadsheet book_;
};

TEST(SpreadsheetNumberTest, ReadsTextsTheWayExcelTypesThem) {
    struct Case {
        const char* text;
        std::optional<double> number;
    };
    const Case cases[] = {
        {"12", 12},
        {"-3,5", -3.5},
        {"0.25", 0.25},
        {"+7", 7},
        {"007", 7},
        {",5", 0.5},
        {"12,", 12},
        {"-0", 0},
        {"123456789012345", 123456789012345.0},
        {"0,000000000000000000001", 1e-21},
        {"100,500000000000000000", 100.5},
        // Beyond 15 significant digits a double would alter the text.
        {"1234567890123456", std::nullopt},
        {"1000000000000000000000", std::nullopt},
        {"1 000", std::nullopt},
        {"12а", std::nullopt},
        {" 12", std::nullopt},
        {"1,2,3", std::nullopt},
        {"1.2,3", std::nullopt},
        {"1e5", std::nullopt},
        {"-", std::nullopt},
        {",", std::nullopt},
        {"+-1", std::nullopt},
        {"١٢", std::nullopt},
    };
    for (const Case& c : cases) {
        const auto got = Spreadsheet::numberFromText(QString::fromUtf8(c.text));
        EXPECT_EQ(got, c.number) << c.text;
    }
}

TEST_F(SpreadsheetTest, StoresNumbersTextFormatAndBold) {
    struct Case {
        int column, row;
        const char* text;
        bool asText, bold;
        const char* value;
        bool isNumber;
        const char* format;
    };
    const Case cases[] = {
        {1, 1, "12", false, false, "12", true, "General"},
        {2, 1, "-3,5", false, false, "-3.5", true, "General"},
        {3, 1, "007", false, false, "7", true, "General"},
        {1, 2, "12", true, false, "12", false, "@"},
        {2, 2, "007", true, true, "007", false, "@"},
        {3, 2, "Иванов Пётр Ёлкин", false, false, "Иванов Пётр Ёлкин", false, "General"},
        {1, 3, "Итого", false, true, "Итого", false, "General"},
        {2, 3, "1 000", false, false, "1 000", false, "General"},
        {3, 3, "42", false, true, "42", true, "General"},
    };
    book_.OpenExcel(QString());
    for (const Case& c : cases) {
        book_.WriteCell(1, c.column, c.row, QString::fromUtf8(c.text), c.asText, false, c.bold);
    }
    const XlsxBook read = show();
    EXPECT_EQ(read.sheetNames, QStringList{QStringLiteral("Лист1")});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const test::XlsxCell* cell = read.cell(c.row, c.column);
        ASSERT_NE(cell, nullptr);
        if (c.isNumber) {
            EXPECT_DOUBLE_EQ(cell->value.toDouble(), QString::fromUtf8(c.value).toDouble());
        } else {
            EXPECT_EQ(cell->value, QString::fromUtf8(c.value));
        }
        EXPECT_EQ(cell->isNumber, c.isNumber);
        EXPECT_EQ(cell->numberFormat, QString::fromUtf8(c.format));
        EXPECT_EQ(cell->bold, c.bold);
    }
    EXPECT_TRUE(messages().isEmpty()) << messages().join(u'\n').toStdString();
}

TEST_F(SpreadsheetTest, EmptyTextLeavesTheCellAsItWas) {
    book_.OpenExcel(QString());
    book_.WriteCell(1, 1, 1, QStringLiteral("старое"));
    book_.WriteCell(1, 1, 1, QString(), true, true, true);
    book_.WriteCell(1, 2, 2, QString(), true, true, true);
    // The empty text is checked before the sheet and the position.
    EXPECT_NO_THROW(book_.WriteCell(7, 0, 0, QString()));

    const XlsxBook read = show();
    ASSERT_NE(read.cell(1, 1), nullptr);
    EXPECT_EQ(read.cell(1, 1)->value, QStringLiteral("старое"));
    EXPECT_FALSE(read.cell(1, 1)->bold);
    EXPECT_EQ(read.cell(1, 1)->numberFormat, QStringLiteral("General"));
    EXPECT_EQ(read.cell(2, 2), nullptr);
    EXPECT_TRUE(read.columnWidths.isEmpty());
    EXPECT_TRUE(messages().isEmpty()) << messages().join(u'\n').toStdString();
}

TEST_F(SpreadsheetTest, LaterWriteReplacesTheCellInAnyOrder) {
    book_.OpenExcel(QString());
    book_.WriteCell(1, 1, 3, QStringLiteral("первый"), true, false, true);
    book_.WriteCell(1, 2, 1, QStringLiteral("b1"));
    book_.WriteCell(1, 1, 1, QStringLiteral("a1"));
    book_.WriteCell(1, 1, 3, QStringLiteral("5"));
    book_.WriteCell(1, 1, 2, QStringLiteral("a2"));

    const XlsxBook read = show();
    ASSERT_NE(read.cell(3, 1), nullptr);
    EXPECT_EQ(read.cell(3, 1)->value, QStringLiteral("5"));
    EXPECT_TRUE(read.cell(3, 1)->isNumber);
    EXPECT_FALSE(read.cell(3, 1)->bold);
    EXPECT_EQ(read.cell(3, 1)->numberFormat, QStringLiteral("General"));
    const QMap<QPair<int, int>, QString> expected{{{1, 1}, QStringLiteral("a1")},
                                                  {{1, 2}, QStringLiteral("b1")},
                                                  {{2, 1}, QStringLiteral("a2")},
                                                  {{3, 1}, QStringLiteral("5")}};
    QMap<QPair<int, int>, QString> values;
    for (auto it = read.cells.cbegin(); it != read.cells.cend(); ++it) {
        values.insert(it.key(), it->value);
    }
    EXPECT_EQ(values, expected);
}

TEST_F(SpreadsheetTest, RefusedPositionsShowTheirMessage) {
    const QString sheetTitle = QStringLiteral("Ошибочный номер листа Microsoft Excel");
    const QString cellTitle = QStringLiteral("Ошибка Microsoft Excel");
    struct Case {
        int sheet, column, row;
        QString title;  // empty: accepted
    };
    const Case cases[] = {
        {2, 1, 1, sheetTitle},      {0, 1, 1, sheetTitle},          {-1, 5, 6, sheetTitle},
        {1, 0, 1, cellTitle},       {1, 1, 0, cellTitle},           {1, 16385, 1, cellTitle},
        {1, 1, 1048577, cellTitle}, {1, 16384, 1048576, QString()},
    };
    book_.OpenExcel(QString());
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.sheet << " " << c.column << " " << c.row);
        const QStringList boxes =
            boxesOf([&] { book_.WriteCell(c.sheet, c.column, c.row, QStringLiteral("x")); });
        if (c.title.isEmpty()) {
            EXPECT_EQ(boxes, QStringList());
            continue;
        }
        EXPECT_THROW(book_.WriteCell(c.sheet, c.column, c.row, QStringLiteral("x")),
                     SpreadsheetError);
        EXPECT_EQ(boxes, QStringList{stop(c.title, QStringLiteral("Ошибка при записи: лист %1, "
                                                                  "столбец %2, строка %3")
                                                       .arg(c.sheet)
                                                       .arg(c.column)
                                                       .arg(c.row))});
    }
    // Only the accepted cell is in the book.
    const XlsxBook read = show();
    EXPECT_EQ(read.cells.keys(), (QList<QPair<int, int>>{{1048576, 16384}}));
}

TEST_F(SpreadsheetTest, SecondSheetOfANewWorkbookIsRefused) {
    book_.OpenExcel(QString());
    EXPECT_EQ(boxesOf([&] { book_.WriteCell(2, 1, 1, QStringLiteral("x")); }),
              QStringList{stop(QStringLiteral("Ошибочный номер листа Microsoft Excel"),
                               QStringLiteral("Ошибка при записи: лист 2, "
                                              "столбец 1, строка 1"))});
}

TEST_F(SpreadsheetTest, TextLongerThanACellHoldsIsRefused) {
    book_.OpenExcel(QString());
    EXPECT_EQ(
        boxesOf([&] { book_.WriteCell(1, 3, 4, QString(Spreadsheet::kMaxTextLength, u'я')); }),
        QStringList());
    EXPECT_EQ(
        boxesOf([&] { book_.WriteCell(1, 3, 5, QString(Spreadsheet::kMaxTextLength + 1, u'я')); }),
        QStringList{stop(QStringLiteral("Ошибка Microsoft Excel"),
                         QStringLiteral("Ошибка при записи: лист 1, "
                                        "столбец 3, строка 5"))});
    const XlsxBook read = show();
    ASSERT_NE(read.cell(4, 3), nullptr);
    EXPECT_EQ(read.cell(4, 3)->value.size(), Spreadsheet::kMaxTextLength);
    EXPECT_EQ(read.cell(5, 3), nullptr);
}

TEST_F(SpreadsheetTest, WritingWithoutAWorkbookIsRefused) {
    EXPECT_EQ(boxesOf([&] { book_.WriteCell(1, 1, 1, QStringLiteral("x")); }),
              QStringList{stop(QStringLiteral("Ошибочный номер листа Microsoft Excel"),
                               QStringLiteral("Ошибка при записи: лист 1, "
                                              "столбец 1, строка 1"))});
    EXPECT_EQ(boxesOf([&] { book_.SetExcelVisible(true); }), QStringList());
    EXPECT_TRUE(opened_.isEmpty());
}

TEST_F(SpreadsheetTest, OpeningAFileIsRefusedAndKeepsTheWorkbook) {
    book_.OpenExcel(QString());
    book_.WriteCell(1, 1, 1, QStringLiteral("до"));
    EXPECT_EQ(boxesOf([&] { book_.OpenExcel(QStringLiteral("/tmp/отчёт.xlsx")); }),
              QStringList{stop(QStringLiteral("Ошибка"),
                               QStringLiteral("Ошибка открытия файла Microsoft Excel."))});
    book_.WriteCell(1, 1, 2, QStringLiteral("после"));
    const XlsxBook read = show();
    ASSERT_NE(read.cell(1, 1), nullptr);
    ASSERT_NE(read.cell(2, 1), nullptr);
    EXPECT_EQ(read.cell(2, 1)->value, QStringLiteral("после"));
}

TEST_F(SpreadsheetTest, OpenAgainStartsAFreshWorkbook) {
    book_.OpenExcel(QString());
    book_.WriteCell(1, 1, 1, QStringLiteral("прежний"), false, true);
    book_.OpenExcel(QString());
    book_.WriteCell(1, 2, 2, QStringLiteral("новый"));
    const XlsxBook read = show();
    EXPECT_EQ(read.cell(1, 1), nullptr);
    ASSERT_NE(read.cell(2, 2), nullptr);
    EXPECT_TRUE(read.columnWidths.isEmpty());
}

TEST_F(SpreadsheetTest, AutoFitColumnsFollowTheirWidestFinalText) {
    const QString longText(300, u'ж');
    struct Write {
        int column, row;
        QString text;
        bool autoFit;
    };
    const Write writes[] = {
        {1, 1, QStringLiteral("ab"), true},
        {1, 2, QStringLiteral("Длинная фамилия"), false},  // 15 characters
        {1, 3, QStringLiteral("123,5"), true},
        {2, 1, QStringLiteral("не подбирается по ширине"), false},
        {3, 1, QStringLiteral("очень длинный текст"), true},
        {3, 1, QStringLiteral("короче"), true},  // replaces: the column narrows
        {4, 1, QStringLiteral("строка\nсамая длинная строка\nещё"), true},
        {5, 1, longText, true},
    };
    struct Width {
        int column;
        double chars;  // 0: the column keeps its default width
    };
    const Width widths[] = {{1, 15}, {2, 0}, {3, 6}, {4, 20}, {5, 254}};

    book_.OpenExcel(QString());
    for (const Write& w : writes) {
        book_.WriteCell(1, w.column, w.row, w.text, false, w.autoFit);
    }
    const XlsxBook read = show();
    for (const Width& w : widths) {
        SCOPED_TRACE(w.column);
        if (w.chars == 0) {
            EXPECT_FALSE(read.columnWidths.contains(w.column));
            continue;
        }
        ASSERT_TRUE(read.columnWidths.contains(w.column));
        // About one character of padding, as Excel's AutoFit leaves.
        EXPECT_GE(read.columnWidths.value(w.column), w.chars + 0.5);
        EXPECT_LE(read.columnWidths.value(w.column), std::min(w.chars + 2, 256.0));
    }
}

TEST_F(SpreadsheetTest, ShowWritesANewFileInTheDocumentsFolderEachTimeSomethingChanged) {
    book_.OpenExcel(QString());
    book_.SetExcelVisible(false);
    EXPECT_TRUE(book_.lastFilePath().isEmpty());
    book_.WriteCell(1, 1, 1, QStringLiteral("один"));
    book_.setFileTitle(QStringLiteral("Табель Ноябрь 2026"));
    book_.SetExcelVisible(true);
    const QString first = book_.lastFilePath();
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    EXPECT_EQ(first, documents + QStringLiteral("/Табель/Табель Ноябрь 2026.xlsx"));
    EXPECT_FALSE(documents.startsWith(QDir::tempPath() + QStringLiteral("/tabel-")));
    EXPECT_EQ(opened_, QStringList{first});

    // Nothing changed: the shown workbook is still the right one.
    book_.SetExcelVisible(true);
    EXPECT_EQ(opened_, QStringList{first});

    book_.WriteCell(1, 1, 2, QStringLiteral("два"));
    const XlsxBook read = show();
    const QString second = book_.lastFilePath();
    // The first file stays as it was: the second gets a number.
    EXPECT_EQ(second, documents + QStringLiteral("/Табель/Табель Ноябрь 2026 (2).xlsx"));
    EXPECT_EQ(opened_, (QStringList{first, second}));
    EXPECT_TRUE(QFileInfo::exists(first));
    ASSERT_NE(read.cell(1, 1), nullptr);
    ASSERT_NE(read.cell(2, 1), nullptr);
    EXPECT_TRUE(messages().isEmpty()) << messages().join(u'\n').toStdString();
}

TEST_F(SpreadsheetTest, AWrittenFileNoProgramOpensIsAnInformationNamingIt) {
    openerSucceeds_ = false;
    book_.OpenExcel(QString());
    book_.WriteCell(1, 1, 1, QStringLiteral("итог"));
    // Not a failure: the action runs to its end.
    EXPECT_TRUE(widgets::runAction([&] { book_.SetExcelVisible(true); }));
    const QString path = book_.lastFilePath();
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_EQ(messages(), QStringList{information(path)});
}

// Without a program for the type, the desktop's opener would start and report success.
TEST_F(SpreadsheetTest, NoProgramForSpreadsheetsIsReportedWithThePath) {
    const QStringList xdg{QStringLiteral("XDG_DATA_HOME"), QStringLiteral("XDG_DATA_DIRS"),
                          QStringLiteral("XDG_CONFIG_HOME"), QStringLiteral("XDG_CONFIG_DIRS"),
                          QStringLiteral("HOME")};
    QList<QByteArray> saved;
    for (const QString& name : xdg) {
        saved.append(qgetenv(name.toLatin1().constData()));
        qputenv(name.toLatin1().constData(), QFile::encodeName(tmp_.path()));
    }
    Spreadsheet::setOpener({});
    book_.OpenExcel(QString());
    book_.WriteCell(1, 1, 1, QStringLiteral("итог"));
    EXPECT_NO_THROW(book_.SetExcelVisible(true));
    for (int i = 0; i < xdg.size(); ++i) {
        qputenv(xdg[i].toLatin1().constData(), saved[i]);
    }
    const QString path = book_.lastFilePath();
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_EQ(messages(), QStringList{information(path)});
}

TEST_F(SpreadsheetTest, UnwritableDocumentsFolderIsReported) {
    // The documents folder lies under a file: no folder can be made there.
    const QString missing = tmp_.filePath(QStringLiteral("файл/документы"));
    QFile blocker(tmp_.filePath(QStringLiteral("файл")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QFile dirs(tmp_.filePath(QStringLiteral("user-dirs.dirs")));
    ASSERT_TRUE(dirs.open(QIODevice::WriteOnly));
    dirs.write("XDG_DOCUMENTS_DIR=\"" + QFile::encodeName(missing) + "\"\n");
    dirs.close();
    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(tmp_.path()));
    book_.OpenExcel(QString());
    book_.WriteCell(1, 1, 1, QStringLiteral("итог"));
    EXPECT_FALSE(widgets::runAction([&] { book_.SetExcelVisible(true); }));
    qputenv("XDG_CONFIG_HOME", savedConfig);
    EXPECT_TRUE(book_.lastFilePath().isEmpty());
    EXPECT_TRUE(opened_.isEmpty());
    ASSERT_EQ(recorder_.messages().size(), 1);
    EXPECT_EQ(recorder_.messages()[0].kind, MessageKind::Stop);
    EXPECT_EQ(recorder_.messages()[0].title, QStringLiteral("Ошибка"));
    EXPECT_TRUE(recorder_.messages()[0].text.contains(QDir::toNativeSeparators(missing)))
        << recorder_.messages()[0].text.toStdString();
}

}  // namespace
}  // namespace tabel::reports

namespace tabel::reports {
namespace {

TEST_F(SpreadsheetTest, SaveAsWritesOrReplacesTheFileAndReportsFailureWithoutABox) {
    const QString path = tmp_.filePath(QStringLiteral("операции.xlsx"));
    book_.OpenExcel(QString());
    book_.WriteCell(1, 1, 1, QStringLiteral("первая"));
    book_.saveAs(path);
    book_.WriteCell(1, 1, 1, QStringLiteral("вторая"));
    book_.saveAs(path);
    const XlsxBook read = test::readXlsx(path);
    ASSERT_TRUE(read.ok) << read.error.toStdString();
    ASSERT_NE(read.cell(1, 1), nullptr);
    EXPECT_EQ(read.cell(1, 1)->value, QStringLiteral("вторая"));

    const QString missing = tmp_.filePath(QStringLiteral("нет/книга.xlsx"));
    try {
        book_.saveAs(missing);
        ADD_FAILURE() << "a file in a missing folder was written";
    } catch (const SpreadsheetError& error) {
        EXPECT_TRUE(error.message().startsWith(
            QStringLiteral("Не удалось создать файл в папке ") +
            QDir::toNativeSeparators(tmp_.filePath(QStringLiteral("нет")))))
            << error.message().toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(missing));
    // Only the saved book is left: no temporary files beside it.
    EXPECT_EQ(QDir(tmp_.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("операции.xlsx")});
    EXPECT_TRUE(messages().isEmpty());
}

}  // namespace
}  // namespace tabel::reports

namespace tabel::reports {
namespace {

TEST(OutputFilesTest, NamesSayWhatTheFileHoldsAndItsPeriod) {
    const struct {
        const char* title;
        const char* name;
    } cases[] = {
        {"   Детальный отчет по рабочим за период с 01.11.2026 по 30.11.2026",
         "Детальный отчет по рабочим 01.11.2026–30.11.2026"},
        {"Табель Ноябрь 2026 г.", "Табель Ноябрь 2026"},
        {"Операции 10.12.2026 14-05", "Операции 10.12.2026 14-05"},
        {"Заявка 1/2: итог", "Заявка 1-2- итог"},
        {"", "Табель"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fileBaseName(QString::fromUtf8(c.title)), QString::fromUtf8(c.name)) << c.title;
    }
}

TEST(OutputFilesTest, AnExistingFileGetsANumberedNeighbourInsteadOfBeingReplaced) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString base = QStringLiteral("Табель Ноябрь 2026");
    EXPECT_EQ(freePath(folder.path(), base, QStringLiteral("pdf")),
              folder.filePath(base + QStringLiteral(".pdf")));
    QFile first;
    ASSERT_TRUE(createFreeFile(first, folder.path(), base, QStringLiteral("pdf")));
    first.write("первый");
    first.close();
    EXPECT_EQ(freePath(folder.path(), base, QStringLiteral("pdf")),
              folder.filePath(base + QStringLiteral(" (2).pdf")));
    QFile second;
    ASSERT_TRUE(createFreeFile(second, folder.path(), base, QStringLiteral("pdf")));
    EXPECT_EQ(second.fileName(), folder.filePath(base + QStringLiteral(" (2).pdf")));
    QFile again(folder.filePath(base + QStringLiteral(".pdf")));
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    EXPECT_EQ(again.readAll(), QByteArray("первый"));
}

}  // namespace
}  // namespace tabel::reports
