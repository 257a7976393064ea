#include "shiftlog/entry_history_dialog.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTableWidget>
#include <QVBoxLayout>

#include "data/entry_history.h"
#include "data/errors.h"
#include "widgets/form_field.h"
#include "widgets/style.h"
#include "widgets/user_action.h"

namespace tabel::shiftlog {

namespace {

QTableWidget* makeTable(QWidget* parent, const char* name, const QStringList& titles) {
    auto* table = new QTableWidget(0, int(titles.size()), parent);
    table->setObjectName(QString::fromLatin1(name));
    table->setHorizontalHeaderLabels(titles);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->verticalHeader()->hide();
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

void setRow(QTableWidget* table, int row, const QStringList& cells) {
    for (int column = 0; column < cells.size(); ++column) {
        table->setItem(row, column, new QTableWidgetItem(cells[column]));
    }
}

QString stampText(const QDateTime& at) {
    return at.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
}

}  // namespace

EntryHistoryDialog::EntryHistoryDialog(data::Connection& connection, QWidget* parent)
    : QDialog(parent), connection_(connection) {
    setObjectName(QStringLiteral("EntryHistoryDialog"));
    setWindowTitle(QStringLiteral("История"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    entryLabel = new QLabel(this);
    entryLabel->setObjectName(QStringLiteral("entryLabel"));
    showDeletedCheck = new QCheckBox(QStringLiteral("Показать удаленные"), this);
    showDeletedCheck->setObjectName(QStringLiteral("showDeletedCheck"));
    deletedTable = makeTable(
        this, "deletedTable",
        {QStringLiteral("Удалена"), QStringLiteral("Пользователь"), QStringLiteral("Позиция")});
    deletedTable->hide();
    historyTable = makeTable(this, "historyTable",
                             {QStringLiteral("Дата и время"), QStringLiteral("Пользователь"),
                              QStringLiteral("Действие"), QStringLiteral("Изменение")});
    closeButton =
        widgets::makeButton(this, QStringLiteral("closeButton"), QStringLiteral("Закрыть"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(entryLabel);
    layout->addWidget(showDeletedCheck);
    layout->addWidget(widgets::makeFieldLabel(this, QStringLiteral("Удаленные позиции"),
                                              deletedTable, QStringLiteral("deletedLabel")));
    layout->addWidget(deletedTable, 1);
    layout->addWidget(widgets::makeFieldLabel(this, QStringLiteral("История позиции"), historyTable,
                                              QStringLiteral("historyLabel")));
    layout->addWidget(historyTable, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(closeButton);
    layout->addLayout(buttons);
    findChild<QLabel*>(QStringLiteral("deletedLabel"))->hide();

    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
    widgets::connectAction(showDeletedCheck, &QCheckBox::toggled, this, [this] { showDeleted(); });
    widgets::connectAction(deletedTable, &QTableWidget::currentCellChanged, this, [this] {
        const int row = deletedTable->currentRow();
        if (row >= 0 && deletedTable->item(row, 0) != nullptr) {
            showHistory(deletedTable->item(row, 0)->data(Qt::UserRole).toInt());
        }
    });
    widgets::fixWindowSize(this, QSize(900, 480));
}

void EntryHistoryDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        widgets::focusFirstField(this);  // whatever had the focus when it last closed
    }
}

void EntryHistoryDialog::openForEntry(int entryId, const QDate& day, int shift) {
    load(entryId, day, shift);
    exec();
}

void EntryHistoryDialog::load(int entryId, const QDate& day, int shift) {
    day_ = day;
    shift_ = shift;
    showDeletedCheck->setChecked(false);
    showDeleted();
    showHistory(entryId);
}

void EntryHistoryDialog::showHistory(int entryId) {
    historyTable->setRowCount(0);
    entryLabel->setText(entryId > 0 ? QStringLiteral("Позиция № %1").arg(entryId)
                                    : QStringLiteral("Позиция не выбрана"));
    if (entryId <= 0) {
        return;
    }
    const QList<data::HistoryRecord> records = data::entryHistory(connection_, entryId);
    historyTable->setRowCount(int(records.size()));
    for (int row = 0; row < records.size(); ++row) {
        const data::HistoryRecord& record = records[row];
        setRow(historyTable, row,
               {stampText(record.at), record.login, data::actionText(record.action),
                data::changesText(record.changes, record.names)});
    }
    historyTable->resizeColumnsToContents();
}

void EntryHistoryDialog::showDeleted() {
    const bool shown = showDeletedCheck->isChecked();
    deletedTable->setVisible(shown);
    findChild<QLabel*>(QStringLiteral("deletedLabel"))->setVisible(shown);
    deletedTable->setRowCount(0);
    if (!shown) {
        return;
    }
    const QList<data::DeletedEntry> entries = data::deletedEntries(connection_, day_, shift_);
    deletedTable->setRowCount(int(entries.size()));
    for (int row = 0; row < entries.size(); ++row) {
        setRow(deletedTable, row,
               {stampText(entries[row].at), entries[row].login, entries[row].summary});
        deletedTable->item(row, 0)->setData(Qt::UserRole, entries[row].id);
    }
    deletedTable->resizeColumnsToContents();
    if (!entries.isEmpty()) {
        deletedTable->setCurrentCell(0, 0);
    }
}

}  // namespace tabel::shiftlog
