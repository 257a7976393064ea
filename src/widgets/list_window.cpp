#include "widgets/list_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "core/messages.h"
#include "data/dataset.h"
#include "data/errors.h"
#include "widgets/form_field.h"
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
    searchLabel_ = makeFieldLabel(this, QStringLiteral("Поиск"), Edit1);
    auto* search = new QHBoxLayout;
    search->addWidget(searchLabel_);
    search->addWidget(Edit1, 1);
    layout->addLayout(search);
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

void ListWindow::setModeButtons(QPushButton* add, QPushButton* change, QPushButton* remove) {
    add_ = add;
    change_ = change;
    remove_ = remove;
}

void ListWindow::setChoiceMode(bool choosing) {
    Tag = choosing ? 1 : 0;
    change_->setText(choosing ? QStringLiteral("Выбрать") : QStringLiteral("Изменить"));
    add_->setVisible(!choosing);
    remove_->setVisible(!choosing);
    // Either mode takes the default away from the other's button.
    (choosing ? change_ : add_)->setDefault(true);
}

void ListWindow::endChoice() {
    change_->setDefault(false);
}

void ListWindow::showSearch(bool shown) {
    Edit1->setVisible(shown);
    searchLabel_->setVisible(shown);
}

void ListWindow::deleteCurrent(const QString& question, const QString& inUse,
                               const std::function<void()>& remove) {
    data::Dataset* rows = list();
    if (rows->isEmpty() || !core::MessageBoxes::confirmDelete(question)) {
        return;
    }
    try {
        remove();
    } catch (const data::DbError& error) {
        if (!error.isForeignKeyViolation()) {
            throw;
        }
        core::MessageBoxes::error(inUse);
        return;
    }
    rows->refresh();
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
