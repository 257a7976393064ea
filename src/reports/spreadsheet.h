#pragma once
// Spreadsheet output: collects cells one at a time, writes the finished workbook into the
// user's documents folder under a name that says what it holds and opens it in the desktop's
// spreadsheet program.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QString>

#include "data/errors.h"

namespace tabel::reports {

// A workbook refused a call or could not be written: the message and its title are the words
// the users know from Excel, shown by the action's error display.
class SpreadsheetError : public data::DataError {
public:
    using data::DataError::DataError;
};

// One instance per using window. A call that fails throws SpreadsheetError and changes nothing.
class Spreadsheet {
public:
    // Launches the program that shows a saved workbook; false when nothing could be started.
    using Opener = std::function<bool(const QString& path)>;

    static constexpr int kMaxRows = 1048576;
    static constexpr int kMaxColumns = 16384;
    static constexpr int kMaxTextLength = 32767;

    Spreadsheet();
    ~Spreadsheet();
    Spreadsheet(const Spreadsheet&) = delete;
    Spreadsheet& operator=(const Spreadsheet&) = delete;

    // An empty name starts a new one-sheet workbook, dropping the previous one. Existing files
    // cannot be opened: a name is refused and the previous workbook stays.
    void OpenExcel(const QString& fileName);

    // What the workbook holds ("Табель Ноябрь 2026"), its file's name; OpenExcel clears it.
    void setFileTitle(const QString& title) { fileTitle_ = title; }

    // true writes the workbook to a new file in the documents folder (see output_files.h) and
    // opens it, unless nothing changed since it was last shown; false does nothing. A file that
    // cannot be written is refused (nothing is left of it); a written file that no program
    // opens is named in an information box.
    void SetExcelVisible(bool visible);

    // sheet, column and row are 1-based. An empty text writes nothing. A text that reads as a
    // number is stored as a number unless asText. A later write replaces the whole cell. A sheet
    // other than 1, a position outside the sheet or a text too long for a cell is refused.
    void WriteCell(int sheet, int column, int row, const QString& text, bool asText = false,
                   bool autoFit = false, bool bold = false);

    // Writes the workbook to `path` through a temporary file in the same folder renamed at the
    // end, so a failure never leaves half a file under that name. Throws SpreadsheetError.
    void saveAs(const QString& path);

    // The file last written by SetExcelVisible(true); empty before the first one.
    QString lastFilePath() const { return lastFilePath_; }

    // Process-wide, so that window tests can keep the desktop program from starting;
    // an empty function restores QDesktopServices::openUrl.
    static void setOpener(Opener opener);

    // The value Excel would give a typed text: optional sign, digits, one decimal comma or
    // full stop. Texts with more significant digits than a double keeps stay text.
    static std::optional<double> numberFromText(const QString& text);

private:
    enum CellFlag : std::uint8_t { kAsText = 1, kBold = 2, kNumber = 4 };

    // 16 bytes a cell: large exports keep only this and the UTF-8 texts in memory.
    struct Cell {
        std::uint32_t row;     // 0-based
        std::uint16_t column;  // 0-based
        std::uint8_t flags;
        union {
            double number;
            struct {
                std::uint32_t offset;  // into texts_, NUL-terminated there
                std::uint32_t length;
            } text;
        };
    };
    static_assert(sizeof(Cell) == 16);

    void reset();
    bool appendText(const QString& text, Cell& cell);
    // Sorts into row order; of several writes to one cell the last is kept.
    void settleCells();
    std::vector<double> columnWidths() const;
    // Throws SpreadsheetError with the library's reason as its message.
    void writeWorkbook(const QString& path);

    bool open_ = false;
    bool changed_ = false;
    std::vector<Cell> cells_;
    std::string texts_;
    std::vector<bool> autoFitColumns_;
    QString lastFilePath_;
    QString fileTitle_;
};

}  // namespace tabel::reports
