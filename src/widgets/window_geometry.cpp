#include "widgets/window_geometry.h"

#include <QEvent>
#include <QSettings>
#include <QWidget>

namespace tabel::widgets {

namespace {

// Stores the geometry whenever the window is hidden: dialogs end by hiding, not by closing.
class GeometryKeeper : public QObject {
public:
    GeometryKeeper(QWidget* window, QString key) : QObject(window), key_(std::move(key)) {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Hide) {
            auto* window = static_cast<QWidget*>(watched);
            if (!window->isMinimized()) {
                QSettings().setValue(geometrySettingsKey(key_), window->saveGeometry());
            }
        }
        return false;
    }

private:
    QString key_;
};

}  // namespace

QString geometrySettingsKey(const QString& key) {
    return QStringLiteral("windows/%1/geometry").arg(key);
}

void rememberGeometry(QWidget* window, const QString& key, QSize initial) {
    window->resize(initial.boundedTo(kSmallestScreen));
    const QByteArray saved = QSettings().value(geometrySettingsKey(key)).toByteArray();
    // restoreGeometry moves a window left on a screen no longer attached back onto one.
    if (!saved.isEmpty() && !window->restoreGeometry(saved)) {
        window->resize(initial.boundedTo(kSmallestScreen));
    }
    new GeometryKeeper(window, key);
}

}  // namespace tabel::widgets
