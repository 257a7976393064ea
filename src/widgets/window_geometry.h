#pragma once
// Window sizes that fit the smallest screen the program runs on, and the size and position the
// user gave a resizable window, kept between runs.

#include <QSize>
#include <QString>

class QWidget;

namespace tabel::widgets {

// A 1024×768 screen less a task bar: no window is larger when it first opens.
inline constexpr QSize kSmallestScreen{1024, 720};

// The window opens at `initial` (bounded by the smallest screen) or at the size and position
// it had when last closed, and may be enlarged by the user; `key` names it in the settings.
void rememberGeometry(QWidget* window, const QString& key, QSize initial);

// The settings entry holding the geometry of the window named `key`.
QString geometrySettingsKey(const QString& key);

}  // namespace tabel::widgets
