#include "widgets/form_field.h"

#include <QGridLayout>
#include <QLabel>

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

QLabel* addField(QGridLayout* grid, int row, const QString& caption, QWidget* field,
                 const QString& labelName) {
    QLabel* label = makeFieldLabel(grid->parentWidget(), caption, field, labelName);
    grid->addWidget(label, row, 0);
    grid->addWidget(field, row, 1);
    return label;
}

}  // namespace tabel::widgets
