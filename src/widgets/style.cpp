#include "widgets/style.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPushButton>
#include <QRadioButton>

namespace tabel::widgets {

namespace {

void paint(QAbstractButton* button, const QColor& background, bool bold) {
    QPalette palette = button->palette();
    palette.setColor(
        button->backgroundRole(),
        background.isValid() ? background : QApplication::palette().color(QPalette::Button));
    button->setPalette(palette);
    button->setAutoFillBackground(true);
    QFont font = button->font();
    font.setBold(bold);
    button->setFont(font);
}

}  // namespace

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

QRadioButton* makeRadio(QWidget* parent, const QString& name, const QString& text) {
    auto* radio = new QRadioButton(text, parent);
    radio->setObjectName(name);
    return radio;
}

void setHighlighted(QAbstractButton* button, bool on) {
    paint(button, on ? kGreen : QColor(), on);
}

void setAlarm(QAbstractButton* button, bool on) {
    paint(button, on ? kRed : QColor(), on);
}

BusyCursor::BusyCursor() {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

BusyCursor::~BusyCursor() {
    QGuiApplication::restoreOverrideCursor();
}

void fixWindowSize(QWidget* window, const QSize& size) {
    window->setFixedSize(size);
    window->setWindowFlag(Qt::MSWindowsFixedSizeDialogHint, true);
}

}  // namespace tabel::widgets
