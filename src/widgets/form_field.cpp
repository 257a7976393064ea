#include "widgets/form_field.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include "core/messages.h"

namespace tabel::widgets {

QLabel* makeFieldLabel(QWidget* parent, const QString& caption, QWidget* field,
                       const QString& labelName) {
    auto* label = new QLabel(caption, parent);
    if (!labelName.isEmpty()) {
        label->setObjectName(labelName);
    }
    label->setBuddy(field);
    QString spoken = caption;
    field->setAccessibleName(spoken.remove(QLatin1Char('&')));
    return label;
}

void focusFirstField(QWidget* window) {
    for (QWidget* w = window->nextInFocusChain(); w != nullptr && w != window;
         w = w->nextInFocusChain()) {
        if (w->window() == window && (w->focusPolicy() & Qt::TabFocus) && w->isEnabled() &&
            w->isVisibleTo(window) && w->focusProxy() == nullptr) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

QLabel* addField(QGridLayout* grid, int row, const QString& caption, QWidget* field,
                 const QString& labelName) {
    QLabel* label = makeFieldLabel(grid->parentWidget(), caption, field, labelName);
    grid->addWidget(label, row, 0);
    grid->addWidget(field, row, 1);
    return label;
}

void limitToColumn(QLineEdit* field, int columnLength) {
    field->setMaxLength(columnLength);
    QObject::connect(field, &QLineEdit::inputRejected, field, [columnLength] {
        core::MessageBoxes::error(
            QStringLiteral("Текст длиннее %1 символов не поместится в базу данных")
                .arg(columnLength));
    });
}

}  // namespace tabel::widgets
