#pragma once
// The rows a window shows, read through its grids as the user sees them: the windows own their
// lists and hand them to nobody.

#include <gtest/gtest.h>
#include <QObject>
#include <QString>

#include "data/dataset.h"
#include "widgets/data_grid.h"

namespace tabel::test {

// The list bound to the grid named `gridName` in `window` (a list window's is "listGrid").
inline data::Dataset& listShownBy(const QObject& window,
                                  const QString& gridName = QStringLiteral("listGrid")) {
    auto* grid = window.findChild<widgets::DataGrid*>(gridName);
    if (grid == nullptr || grid->dataset() == nullptr) {
        ADD_FAILURE() << "no grid " << gridName.toStdString();
        throw std::runtime_error("no grid");
    }
    return *grid->dataset();
}

// The shift log's list of shift 1..4, shown or not.
inline data::Dataset& shiftList(const QObject& shiftLog, int shift) {
    auto* source =
        shiftLog.findChild<widgets::DataSource*>(QStringLiteral("shift%1Source").arg(shift));
    if (source == nullptr) {
        ADD_FAILURE() << "no list of shift " << shift;
        throw std::runtime_error("no shift list");
    }
    return *source->dataset();
}

}  // namespace tabel::test
