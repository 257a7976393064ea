#pragma once
// Whether a grid shows the frame of the keyboard's focus on its current row, as painted: the
// row's top and bottom edges in the frame's colour.

#include <QImage>
#include <QTableView>

#include "widgets/data_grid.h"

namespace tabel::test {

inline bool showsFocusFrame(QTableView& grid) {
    const QModelIndex current = grid.currentIndex();
    if (!current.isValid()) {
        return false;
    }
    const QRect cell = grid.visualRect(current);
    const QImage painted = grid.viewport()->grab().toImage();
    const QColor frame = grid.palette().color(QPalette::Text);
    const int x = cell.center().x();
    return cell.isValid() && painted.pixelColor(x, cell.top()) == frame &&
           painted.pixelColor(x, cell.bottom()) == frame;
}

}  // namespace tabel::test
