#include "widgets/list_window.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "widgets/style.h"

namespace tabel::widgets {

ListWindow::ListWindow(const QString& name, const QString& caption, SearchBox::Keys keys,
                       QWidget* parent)
    : QDialog(parent) {
    setObjectName(name);
    setWindowTitle(caption);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    DBGrid1 = new DataGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setBoldTitles(true);
    Edit1 = new SearchBox(keys, this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    buttons_ = new QHBoxLayout;
    buttons_->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DBGrid1, 1);
    layout->addWidget(Edit1);
    layout->addLayout(buttons_);
    setTabOrder(Edit1, DBGrid1);
    fixWindowSize(this, QSize(560, 480));
}

void ListWindow::bindList(data::Dataset* dataset, QList<GridColumn> columns,
                          const QString& searchField) {
    DBGrid1->setSource(new DataSource(dataset, std::move(columns), this));
    Edit1->bind(dataset, searchField);
}

QPushButton* ListWindow::addButton(const QString& name, const QString& text) {
    QPushButton* button = makeButton(this, name, text);
    buttons_->addWidget(button);
    return button;
}

void ListWindow::addControl(QWidget* control) {
    buttons_->insertWidget(0, control);
}

void ListWindow::clearSearch() {
    Edit1->clear();
}

void ListWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        FormActivate();
    }
}

}  // namespace tabel::widgets
