#pragma once
// Whether a list shows the frame of the keyboard's focus on its current row: what the style is
// told when it paints the row (the list has the keyboard, which a key moved there).

#include <QAbstractItemView>
#include <QStyleOption>

namespace tabel::test {

inline bool showsFocusFrame(const QAbstractItemView& list) {
    QStyleOption option;
    option.initFrom(&list);
    return list.currentIndex().isValid() && (option.state & QStyle::State_HasFocus) &&
           (option.state & QStyle::State_KeyboardFocusChange);
}

}  // namespace tabel::test
