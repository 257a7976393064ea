#pragma once
// Key filters of the number boxes: a decimal box takes digits and the decimal comma (a typed
// "." becomes ","), a count box digits only; every other printable key is dropped.
// Pasted text is not filtered: readers of the box check it.

class QLineEdit;

namespace tabel::widgets {

void acceptDecimalKeys(QLineEdit* box);
void acceptDigitKeys(QLineEdit* box);

}  // namespace tabel::widgets
