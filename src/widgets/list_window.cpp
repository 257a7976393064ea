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
    listGrid = new DataGrid(this);
    listGrid->setObjectName(QStringLiteral("listGrid"));
    listGrid->setBoldTitles(true);
    searchBox = new SearchBox(keys, this);
    searchBox->setObjectName(QStringLiteral("searchBox"));
    buttonRow_ = new QHBoxLayout;
    buttonRow_->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(listGrid, 1);
    searchLabel_ = makeFieldLabel(this, QStringLiteral("&Поиск"), searchBox);
    auto* search = new QHBoxLayout;
    search->addWidget(searchLabel_);
    search->addWidget(searchBox, 1);
    layout->addLayout(search);
    layout->addLayout(buttonRow_);
    setTabOrder(searchBox, listGrid);
    fixWindowSize(this, QSize(560, 480));
}

void ListWindow::bindList(data::Dataset* dataset, QList<GridColumn> columns,
                          const QString& searchField) {
    listGrid->setSource(new DataSource(dataset, std::move(columns), this));
    searchBox->bind(dataset, searchField);
}

QPushButton* ListWindow::appendButton(const QString& name, const QString& text) {
    QPushButton* button = makeButton(this, name, text);
    buttonRow_->addWidget(button);
    return button;
}

void ListWindow::addControl(QWidget* control) {
    buttonRow_->insertWidget(0, control);
}

void ListWindow::setModeButtons(QPushButton* add, QPushButton* change, QPushButton* remove) {
    addButton_ = add;
    changeButton_ = change;
    removeButton_ = remove;
}

void ListWindow::setMode(Mode newMode) {
    mode = newMode;
    const bool choosing = mode == Mode::Choose;
    changeButton_->setText(choosing ? QStringLiteral("&Выбрать") : QStringLiteral("&Изменить"));
    addButton_->setVisible(!choosing);
    removeButton_->setVisible(!choosing);
    // Either mode takes the default away from the other's button.
    (choosing ? changeButton_ : addButton_)->setDefault(true);
}

void ListWindow::endChoice() {
    changeButton_->setDefault(false);
}

void ListWindow::showSearch(bool shown) {
    searchBox->setVisible(shown);
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
    searchBox->clear();
}

void ListWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        onShown();
    }
}

}  // namespace tabel::widgets
