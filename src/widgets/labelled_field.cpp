#include "widgets/labelled_field.h"

#include <QGridLayout>
#include <QLabel>

namespace tabel::widgets {

QLabel* addLabelledField(QGridLayout* grid, int row, int column, const QString& caption,
                         QWidget* field, int span) {
    auto* label = new QLabel(caption, field->parentWidget());
    label->setBuddy(field);
    field->setAccessibleName(caption);
    grid->addWidget(label, row, column);
    grid->addWidget(field, row, column + 1, 1, span);
    return label;
}

}  // namespace tabel::widgets
