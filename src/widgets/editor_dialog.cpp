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
    GroupBox1 = new QGroupBox(groupCaption, this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    Button1 = makeButton(this, QStringLiteral("Button1"), QStringLiteral("Записать"));
    Button1->setDefault(true);
    Button2 = makeButton(this, QStringLiteral("Button2"), QStringLiteral("Отмена"));
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1);
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
