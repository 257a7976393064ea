#pragma once
// Fields announced by their label: the label is the field's buddy, so Alt+letter and screen
// readers reach the field by the caption.

#include <QString>

class QGridLayout;
class QLabel;
class QLineEdit;
class QWidget;

namespace tabel::widgets {

// A label for `field`, its buddy; the field's accessible name becomes the caption.
QLabel* makeFieldLabel(QWidget* parent, const QString& caption, QWidget* field,
                       const QString& labelName = {});

// The label in column 0 and the field in column 1 of `row`.
QLabel* addField(QGridLayout* grid, int row, const QString& caption, QWidget* field,
                 const QString& labelName = {});

// Puts the keyboard on the first control of `window`'s tab order that takes it (shown, enabled):
// a dialog shown again starts there, not where the focus was when it last closed.
void focusFirstField(QWidget* window);

// Gives `field` the length of the column it is stored in; typing or pasting more is refused
// with a message instead of being cut without a word.
void limitToColumn(QLineEdit* field, int columnLength);

}  // namespace tabel::widgets
