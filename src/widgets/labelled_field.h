#pragma once
// A field with its caption: the label names the field for assistive technology (its buddy).

#include <QString>

class QGridLayout;
class QLabel;
class QWidget;

namespace tabel::widgets {

// Puts the caption at (row, column) and the field right of it, spanning `span` columns.
QLabel* addLabelledField(QGridLayout* grid, int row, int column, const QString& caption,
                         QWidget* field, int span = 1);

}  // namespace tabel::widgets
