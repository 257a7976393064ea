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
#include "widgets/user_action.h"

namespace tabel::widgets {

ListWindow::ListWindow(const QString& name, const QString& caption, SearchBox::Keys keys,
                       QWidget* parent)
    : QDialog(parent) {
    setObjectName(name);
    setWindowTitle(caption);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    listGrid_ = new DataGrid(this);
    listGrid_->setObjectName(QStringLiteral("listGrid"));
    listGrid_->setBoldTitles(true);
    searchBox_ = new SearchBox(keys, this);
    searchBox_->setObjectName(QStringLiteral("searchBox"));
    buttonRow_ = new QHBoxLayout;
    buttonRow_->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(listGrid_, 1);
    searchLabel_ = makeFieldLabel(this, QStringLiteral("&Поиск"), searchBox_);
    auto* search = new QHBoxLayout;
    search->addWidget(searchLabel_);
    search->addWidget(searchBox_, 1);
    layout->addLayout(search);
    layout->addLayout(buttonRow_);
    setTabOrder(searchBox_, listGrid_);
    fixWindowSize(this, QSize(560, 480));
}

void ListWindow::bindList(data::Dataset* dataset, QList<GridColumn> columns,
                          const QString& searchField) {
    listGrid_->setSource(new DataSource(dataset, std::move(columns), this));
    searchBox_->bind(dataset, searchField);
}

QPushButton* ListWindow::appendButton(const QString& name, const QString& text,
                                      std::function<void()> action) {
    QPushButton* button = makeButton(this, name, text);
    buttonRow_->addWidget(button);
    connectAction(button, &QPushButton::clicked, this, std::move(action));
    return button;
}

void ListWindow::addControl(QWidget* control) {
    buttonRow_->insertWidget(0, control);
}

void ListWindow::appendModeButtons(std::function<void()> add, std::function<void()> changeOrChoose,
                                   std::function<void()> remove) {
    addButton_ =
        appendButton(QStringLiteral("addButton"), QStringLiteral("&Добавить"), std::move(add));
    addButton_->setDefault(true);
    changeButton_ = appendButton(QStringLiteral("changeButton"), QStringLiteral("&Изменить"),
                                 std::move(changeOrChoose));
    removeButton_ =
        appendButton(QStringLiteral("deleteButton"), QStringLiteral("&Удалить"), std::move(remove));
}

void ListWindow::setMode(Mode newMode) {
    mode_ = newMode;
    const bool choosing = mode_ == Mode::Choose;
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
    searchBox_->setVisible(shown);
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
        if (error.isForeignKeyViolation()) {
            core::MessageBoxes::error(inUse);
            return;
        }
        if (error.kind() == data::DbErrorKind::RowGone ||
            error.kind() == data::DbErrorKind::RowChanged) {
            rows->refresh();  // the user sees the row as it is now
        }
        throw;
    }
    rows->refresh();
}

void ListWindow::clearSearch() {
    searchBox_->clear();
}

void ListWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        runAction([this] { onShown(); });
    }
}

}  // namespace tabel::widgets
