#pragma once
// Finding controls as a user sees them: a button or menu item by its caption, a field by the
// label that announces it. A caption's mnemonic marker (&) does not count.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QRegularExpression>
#include <QString>
#include <QWidget>

namespace tabel::test {

inline QString withoutMnemonic(QString text) {
    text.remove(QRegularExpression(QStringLiteral("&(?=[^&])")));
    return text.replace(QStringLiteral("&&"), QStringLiteral("&"));
}

// The button whose caption reads `caption`; nullptr when there is none.
template <typename Button = QAbstractButton>
Button* buttonCaptioned(const QWidget& window, const QString& caption) {
    for (Button* button : window.findChildren<Button*>()) {
        if (withoutMnemonic(button->text()) == caption)
            return button;
    }
    return nullptr;
}

// The menu or context action whose caption reads `caption`; nullptr when there is none.
inline QAction* actionCaptioned(const QWidget& window, const QString& caption) {
    for (QAction* action : window.findChildren<QAction*>()) {
        if (withoutMnemonic(action->text()) == caption)
            return action;
    }
    return nullptr;
}

// The field a label reading `caption` announces; nullptr when there is none.
template <typename Field = QWidget>
Field* fieldLabelled(const QWidget& window, const QString& caption) {
    for (QLabel* label : window.findChildren<QLabel*>()) {
        if (withoutMnemonic(label->text()) == caption)
            return qobject_cast<Field*>(label->buddy());
    }
    return nullptr;
}

// The child of `window` named `name`; a failure of the test, and nullptr, when there is none.
template <typename Child = QWidget>
Child* childNamed(const QObject& window, const QString& name) {
    auto* child = window.findChild<Child*>(name);
    if (child == nullptr) {
        ADD_FAILURE() << "no " << name.toStdString() << " in " << window.objectName().toStdString();
    }
    return child;
}

}  // namespace tabel::test
