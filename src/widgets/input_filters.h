#pragma once
// Filters of the number boxes: a decimal box keeps digits and the decimal comma (a "." becomes
// ","), a count box digits only. Keys and pasted or dropped text go through the same filter;
// every other character is dropped.

class QLineEdit;

namespace tabel::widgets {

void acceptDecimalInput(QLineEdit* box);
void acceptDigitInput(QLineEdit* box);

}  // namespace tabel::widgets
