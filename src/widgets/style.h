#pragma once
// Small shared pieces of the windows' look: buttons, highlighted captions, the hourglass.

#include <QColor>
#include <QString>

class QAbstractButton;
class QPushButton;
class QRadioButton;
class QSize;
class QWidget;

namespace tabel::widgets {

inline const QColor kGreen{0, 128, 0};
inline const QColor kRed{255, 0, 0};

// Buttons never become default by focus: each window names its default button itself.
QPushButton* makeButton(QWidget* parent, const QString& name, const QString& text);
QRadioButton* makeRadio(QWidget* parent, const QString& name, const QString& text);

// Green background and bold caption, or the button face and a regular caption.
void setHighlighted(QAbstractButton* button, bool on);
// Red background and bold caption, or the button face and a regular caption.
void setAlarm(QAbstractButton* button, bool on);

// A dialog program's window: `size`, not resizable by the user.
void fixWindowSize(QWidget* window, const QSize& size);

// The hourglass for the lifetime of the object.
class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace tabel::widgets
