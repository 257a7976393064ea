#include "widgets/editor_dialog.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "widgets/style.h"

namespace tabel::widgets {

EditorDialog::EditorDialog(const QString& name, const QString& groupCaption, QWidget* parent)
    : QDialog(parent) {
    setObjectName(name);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    fieldsGroup = new QGroupBox(groupCaption, this);
    fieldsGroup->setObjectName(QStringLiteral("fieldsGroup"));
    saveButton = makeButton(this, QStringLiteral("saveButton"), QStringLiteral("&Записать"));
    saveButton->setDefault(true);
    cancelButton = makeButton(this, QStringLiteral("cancelButton"), QStringLiteral("О&тмена"));
    connect(saveButton, &QPushButton::clicked, this, [this] { save(); });
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(saveButton);
    buttons->addWidget(cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fieldsGroup);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void EditorDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        firstFocus()->setFocus();
    }
}

}  // namespace tabel::widgets
