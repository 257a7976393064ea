#include "reports/spreadsheet.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QUrl>

#include <xlsxwriter.h>

#include "core/messages.h"
#include "core/numbers.h"
#include "reports/output_files.h"

namespace tabel::reports {

namespace {

const QString kOpenFailed = QStringLiteral("Ошибка открытия файла Microsoft Excel.");
const QString kSheetTitle = QStringLiteral("Ошибочный номер листа Microsoft Excel");
const QString kCellTitle = QStringLiteral("Ошибка Microsoft Excel");

// Excel's doubles keep 15 significant decimal digits exactly.
constexpr int kMaxSignificantDigits = 15;
// 254 and the padding the file adds stay within Excel's limit of 255.
constexpr double kMaxColumnWidth = 254.0;
// Bold glyphs are wider; Excel's AutoFit gives them room.
constexpr double kBoldWidthFactor = 1.1;

Spreadsheet::Opener& opener() {
    static Spreadsheet::Opener current;
    return current;
}

constexpr auto kXlsxType = "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet";

// QDesktopServices::openUrl answers true as soon as xdg-open starts, even when no program takes
// the type: ask for the type's default program first, then see xdg-open not fail at once.
bool openWithDesktopProgram(const QString& path) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    QProcess query;
    query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"),
                                             QString::fromLatin1(kXlsxType)});
    if (!query.waitForFinished(5000) || query.exitCode() != 0 ||
        query.readAllStandardOutput().trimmed().isEmpty()) {
        return false;
    }
    // Lives on after this call when the opener runs the program in its own process.
    auto* open = new QProcess(QCoreApplication::instance());
    QObject::connect(open, &QProcess::finished, open, &QObject::deleteLater);
    open->start(QStringLiteral("xdg-open"), {path});
    if (!open->waitForStarted(5000)) {
        open->deleteLater();
        return false;
    }
    if (open->waitForFinished(2000)) {
        return open->exitStatus() == QProcess::NormalExit && open->exitCode() == 0;
    }
    return true;  // still running: the program took the file
#else
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
#endif
}

bool openInDesktop(const QString& path) {
    if (opener()) {
        return opener()(path);
    }
    return openWithDesktopProgram(path);
}

// Width in characters of the longest line; UTF-8 continuation bytes are not characters.
int textWidth(const char* text, std::uint32_t length) {
    int widest = 0;
    int current = 0;
    for (std::uint32_t i = 0; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte == '\n') {
            widest = std::max(widest, current);
            current = 0;
        } else if ((byte & 0xC0) != 0x80) {
            ++current;
        }
    }
    return std::max(widest, current);
}

// Excel shows a number in the General format with at most 11 characters.
int numberWidth(double value) {
    return static_cast<int>(QString::number(value, 'g', 10).size());
}

}  // namespace

Spreadsheet::Spreadsheet() = default;
Spreadsheet::~Spreadsheet() = default;

void Spreadsheet::setOpener(Opener newOpener) {
    opener() = std::move(newOpener);
}

std::optional<double> Spreadsheet::numberFromText(const QString& text) {
    const std::optional<core::TypedDecimal> typed = core::readDecimal(text);
    if (!typed || typed->significantDigits > kMaxSignificantDigits) {
        return std::nullopt;
    }
    return typed->value;
}

void Spreadsheet::reset() {
    cells_.clear();
    cells_.shrink_to_fit();
    texts_.clear();
    texts_.shrink_to_fit();
    autoFitColumns_.clear();
}

void Spreadsheet::OpenExcel(const QString& fileName) {
    if (!fileName.isEmpty()) {
        throw SpreadsheetError(kOpenFailed);
    }
    // The previous workbook is either already in its file or was never shown.
    reset();
    fileTitle_.clear();
    open_ = true;
    changed_ = true;
}

void Spreadsheet::SetExcelVisible(bool visible) {
    if (!visible || !open_ || !changed_) {
        return;
    }
    const QString folder = outputFolder();
    QFile file;
    if (folder.isEmpty() ||
        !createFreeFile(file, folder,
                        fileTitle_.isEmpty() ? QStringLiteral("Книга") : fileBaseName(fileTitle_),
                        QStringLiteral("xlsx"))) {
        const QString shown =
            folder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
                             : folder;
        throw SpreadsheetError(
            QStringLiteral("Не удалось создать файл книги в папке %1: %2")
                .arg(QDir::toNativeSeparators(shown),
                     folder.isEmpty() ? QStringLiteral("папка недоступна") : file.errorString()));
    }
    const QString path = file.fileName();
    file.close();
    try {
        writeWorkbook(path);
    } catch (const SpreadsheetError& error) {
        QFile::remove(path);
        throw SpreadsheetError(QStringLiteral("Не удалось сохранить книгу в файл %1: %2")
                                   .arg(QDir::toNativeSeparators(path), error.message()));
    }
    lastFilePath_ = path;
    changed_ = false;
    // The book is written: without a program to show it, the user learns where it is.
    if (!openInDesktop(path)) {
        core::MessageBoxes::inform(
            QStringLiteral("Книга сохранена в файл %1. Программа для её просмотра не найдена: "
                           "откройте файл сами.")
                .arg(QDir::toNativeSeparators(path)));
    }
}

void Spreadsheet::saveAs(const QString& path) {
    if (!open_) {
        throw SpreadsheetError(QStringLiteral("Книга не создана"));
    }
    const QFileInfo target(path);
    QTemporaryFile file(target.absolutePath() + QStringLiteral("/.") + target.fileName() +
                        QStringLiteral(".XXXXXX"));
    if (!file.open()) {
        throw SpreadsheetError(
            QStringLiteral("Не удалось создать файл в папке %1: %2")
                .arg(QDir::toNativeSeparators(target.absolutePath()), file.errorString()));
    }
    const QString temporary = file.fileName();
    file.close();
    try {
        writeWorkbook(temporary);
    } catch (const SpreadsheetError& error) {
        throw SpreadsheetError(QStringLiteral("Не удалось сохранить книгу в файл %1: %2")
                                   .arg(QDir::toNativeSeparators(path), error.message()));
    }
    // A temporary file is private to its owner; the saved book is an ordinary file.
    QFile::setPermissions(temporary, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                         QFileDevice::ReadGroup | QFileDevice::ReadOther);
    std::error_code renamed;
    std::filesystem::rename(QFile::encodeName(temporary).toStdString(),
                            QFile::encodeName(target.absoluteFilePath()).toStdString(), renamed);
    if (renamed) {
        throw SpreadsheetError(
            QStringLiteral("Не удалось сохранить книгу в файл %1: %2")
                .arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(renamed.message())));
    }
    file.setAutoRemove(false);  // it carries the final name now
}

void Spreadsheet::WriteCell(int sheet, int column, int row, const QString& text, bool asText,
                            bool autoFit, bool bold) {
    if (text.isEmpty()) {
        return;
    }
    // Composed only on failure: exports write hundreds of thousands of cells.
    const auto refuse = [&](const QString& title) {
        return SpreadsheetError(QStringLiteral("Ошибка при записи: лист ") +
                                    QString::number(sheet) + QStringLiteral(", столбец ") +
                                    QString::number(column) + QStringLiteral(", строка ") +
                                    QString::number(row),
                                title);
    };
    // The workbook has exactly one sheet.
    if (!open_ || sheet != 1) {
        throw refuse(kSheetTitle);
    }
    if (column < 1 || column > kMaxColumns || row < 1 || row > kMaxRows ||
        text.size() > kMaxTextLength) {
        throw refuse(kCellTitle);
    }
    Cell cell{};
    cell.row = static_cast<std::uint32_t>(row - 1);
    cell.column = static_cast<std::uint16_t>(column - 1);
    cell.flags = static_cast<std::uint8_t>((asText ? kAsText : 0) | (bold ? kBold : 0));
    const std::optional<double> number = asText ? std::nullopt : numberFromText(text);
    if (number) {
        cell.flags |= kNumber;
        cell.number = *number;
    } else if (!appendText(text, cell)) {
        throw refuse(kCellTitle);
    }
    cells_.push_back(cell);
    if (autoFit) {
        if (autoFitColumns_.empty()) {
            autoFitColumns_.resize(kMaxColumns);
        }
        autoFitColumns_[cell.column] = true;
    }
    changed_ = true;
}

bool Spreadsheet::appendText(const QString& text, Cell& cell) {
    const QByteArray utf8 = text.toUtf8();
    const std::size_t offset = texts_.size();
    // Offsets are 32-bit to keep cells small; 4 GB of text is far beyond any report.
    if (offset + static_cast<std::size_t>(utf8.size()) + 1 >
        std::numeric_limits<std::uint32_t>::max()) {
        return false;
    }
    texts_.append(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    texts_.push_back('\0');
    cell.text.offset = static_cast<std::uint32_t>(offset);
    cell.text.length = static_cast<std::uint32_t>(utf8.size());
    return true;
}

void Spreadsheet::settleCells() {
    const auto before = [](const Cell& a, const Cell& b) {
        return a.row != b.row ? a.row < b.row : a.column < b.column;
    };
    // Callers mostly write row by row; then only replaced cells need sorting out.
    if (!std::is_sorted(cells_.begin(), cells_.end(), before)) {
        std::stable_sort(cells_.begin(), cells_.end(), before);
    }
    // Keep the last of equal cells: walk backwards so it is the one moved to the front.
    std::reverse(cells_.begin(), cells_.end());
    const auto same = [](const Cell& a, const Cell& b) {
        return a.row == b.row && a.column == b.column;
    };
    cells_.erase(std::unique(cells_.begin(), cells_.end(), same), cells_.end());
    std::reverse(cells_.begin(), cells_.end());
}

std::vector<double> Spreadsheet::columnWidths() const {
    std::vector<double> widths;
    if (autoFitColumns_.empty()) {
        return widths;
    }
    widths.assign(kMaxColumns, 0.0);
    for (const Cell& cell : cells_) {
        if (!autoFitColumns_[cell.column]) {
            continue;
        }
        double chars = (cell.flags & kNumber) != 0
                           ? numberWidth(cell.number)
                           : textWidth(texts_.data() + cell.text.offset, cell.text.length);
        if ((cell.flags & kBold) != 0) {
            chars = std::ceil(chars * kBoldWidthFactor);
        }
        widths[cell.column] = std::max(widths[cell.column], std::min(chars + 1, kMaxColumnWidth));
    }
    return widths;
}

void Spreadsheet::writeWorkbook(const QString& path) {
    settleCells();
    const QByteArray fileName = QFile::encodeName(path);
    QByteArray tmpdir = QFile::encodeName(QDir::tempPath());
    // Cells are sorted by now, so the library may stream rows out instead of holding them.
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = tmpdir.data();
    options.use_zip64 = LXW_TRUE;
    lxw_workbook* book = workbook_new_opt(fileName.constData(), &options);
    if (book == nullptr) {
        throw SpreadsheetError(QString::fromUtf8(lxw_strerror(LXW_ERROR_MEMORY_MALLOC_FAILED)));
    }
    lxw_worksheet* sheet = workbook_add_worksheet(book, "Лист1");
    lxw_format* formats[4] = {};
    const auto formatFor = [&](std::uint8_t flags) -> lxw_format* {
        const int index = flags & (kAsText | kBold);
        if (index == 0) {
            return nullptr;
        }
        if (formats[index] == nullptr) {
            formats[index] = workbook_add_format(book);
            if ((index & kAsText) != 0) {
                // Excel's own text format "@".
                format_set_num_format_index(formats[index], 49);
            }
            if ((index & kBold) != 0) {
                format_set_bold(formats[index]);
            }
        }
        return formats[index];
    };

    lxw_error status = LXW_NO_ERROR;
    const std::vector<double> widths = columnWidths();
    for (std::size_t column = 0; column < widths.size() && status == LXW_NO_ERROR; ++column) {
        if (widths[column] > 0) {
            const auto c = static_cast<lxw_col_t>(column);
            status = worksheet_set_column(sheet, c, c, widths[column], nullptr);
        }
    }
    for (const Cell& cell : cells_) {
        if (status != LXW_NO_ERROR) {
            break;
        }
        lxw_format* format = formatFor(cell.flags);
        status = (cell.flags & kNumber) != 0
                     ? worksheet_write_number(sheet, cell.row, cell.column, cell.number, format)
                     : worksheet_write_string(sheet, cell.row, cell.column,
                                              texts_.data() + cell.text.offset, format);
    }
    // Closing writes the file and frees the workbook, also after a failed cell.
    const lxw_error closed = workbook_close(book);
    if (status == LXW_NO_ERROR) {
        status = closed;
    }
    if (status != LXW_NO_ERROR) {
        throw SpreadsheetError(QString::fromUtf8(lxw_strerror(status)));
    }
}

}  // namespace tabel::reports
