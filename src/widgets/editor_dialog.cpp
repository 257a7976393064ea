#include "widgets/editor_dialog.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "widgets/style.h"
#include "widgets/user_action.h"

namespace tabel::widgets {

EditorDialog::EditorDialog(const QString& name, const QString& groupCaption, QWidget* parent)
    : QDialog(parent) {
    setObjectName(name);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    fieldsGroup_ = new QGroupBox(groupCaption, this);
    fieldsGroup_->setObjectName(QStringLiteral("fieldsGroup"));
    saveButton_ = makeButton(this, QStringLiteral("saveButton"), QStringLiteral("&Записать"));
    saveButton_->setDefault(true);
    cancelButton_ = makeButton(this, QStringLiteral("cancelButton"), QStringLiteral("О&тмена"));
    connectAction(saveButton_, &QPushButton::clicked, this, [this] { save(); });
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(saveButton_);
    buttons->addWidget(cancelButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fieldsGroup_);
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
