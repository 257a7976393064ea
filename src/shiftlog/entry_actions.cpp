// The shift log window's actions on its entries: add, edit, view, delete, accept.
#include <QLabel>
#include <QPushButton>

#include "core/messages.h"
#include "data/dataset.h"
#include "data/entry.h"
#include "data/entry_writes.h"
#include "data/session.h"
#include "shiftlog/entry_dialog.h"
#include "shiftlog/shift_log_window.h"
#include "widgets/date_edit.h"
#include "widgets/user_action.h"

namespace tabel::shiftlog {

EntryContext ShiftLogWindow::entryContext() {
    EntryContext context;
    context.shift = shift_;
    context.dayOff = dayOff();
    context.date = workingDate();
    data::Dataset& list = currentList();
    if (list.isOpen() && !list.isEmpty()) {
        context.currentOperationId = list.field(QStringLiteral("o_id")).asInteger();
    }
    return context;
}

data::Entry ShiftLogWindow::currentEntry() {
    return data::entryAt(currentList());
}

bool ShiftLogWindow::currentAccepted() {
    return data::isAccepted(currentList().field(QStringLiteral("ok")).asString());
}

void ShiftLogWindow::addEntry() {
    if (entryDialog_ == nullptr) {
        return;
    }
    // A date typed but not yet confirmed: the list shows that day first, the entry takes it.
    dateEdit_->applyTyped();
    followChosenDate();
    // The list stands on the entry just made, wherever its order puts it.
    if (const std::optional<data::Entry> made = entryDialog_->openForAdd(entryContext())) {
        pendingLocate_ = made->id;
        locatePendingEntry();
    }
}

void ShiftLogWindow::editEntry() {
    data::Dataset& list = currentList();
    if (entryDialog_ == nullptr || !list.isOpen() || list.isEmpty()) {
        return;
    }
    if (currentAccepted()) {
        statusLabel_->setText(QStringLiteral("Позиция принята, изменить ее нельзя"));
        return;
    }
    const int recNo = list.recNo();
    const data::Entry entry = currentEntry();
    entryDialog_->openForEdit(entryContext(), entry);
    // The changed entry, even when the change moved it in the list's order.
    if (!list.locate(QStringLiteral("id"), entry.id) && recNo >= 1 && recNo <= list.recordCount()) {
        list.setRecNo(recNo);
    }
}

void ShiftLogWindow::viewOrAcceptEntry() {
    if (doubleClickAccepts_ && !monthClosed_) {
        acceptEntry();
        return;
    }
    viewEntry();
}

void ShiftLogWindow::viewEntry() {
    data::Dataset& list = currentList();
    if (entryDialog_ == nullptr || !list.isOpen() || list.isEmpty()) {
        return;
    }
    const int recNo = list.recNo();
    entryDialog_->openForView(entryContext(), currentEntry());
    if (recNo >= 1 && recNo <= list.recordCount()) {
        list.setRecNo(recNo);
    }
}

void ShiftLogWindow::deleteEntry() {
    data::Dataset& list = currentList();
    if (!list.isOpen() || list.isEmpty() || currentAccepted() ||
        list.field(QStringLiteral("id")).isNull()) {
        return;
    }
    const int id = list.field(QStringLiteral("id")).asInteger();
    // What the user saw: a change made meanwhile elsewhere is not deleted unseen.
    const QString version = list.field(QStringLiteral("row_version")).asString();
    if (!core::MessageBoxes::confirmDelete(QStringLiteral("Удалить позицию из списка?"))) {
        return;
    }
    // Deleted, or refused (and told why): either way the list shows the entry as it now is.
    widgets::runAction([&] { data::deleteEntry(session_.connection, id, version); });
    followOwnWrite(id);
}

void ShiftLogWindow::acceptEntry() {
    data::Dataset& list = currentList();
    if (!list.isOpen() || list.isEmpty() || currentAccepted()) {
        return;
    }
    const int id = list.field(QStringLiteral("id")).asInteger();
    // What the clerk sees is what he accepts: the entry and its materials as the list shows.
    const QString version = list.field(QStringLiteral("row_version")).asString();
    if (data::materialCount(session_.connection, id) == 0) {
        core::MessageBoxes::error(QStringLiteral("Не заведен расход ТМЦ!"));
        return;
    }
    // Accepted, or changed meanwhile: either way the list shows the entry as it now is. Once
    // accepted, the clerk goes on to the next entry still open, one key an entry.
    const bool accepted =
        widgets::runAction([&] { data::acceptEntry(session_.connection, id, version); });
    followOwnWrite(id, accepted ? nextOpenEntry().value_or(id) : id);
}

std::optional<int> ShiftLogWindow::nextOpenEntry() {
    data::Dataset& list = currentList();
    const int ok = list.fieldIndex(QStringLiteral("ok"));
    const int key = list.fieldIndex(QStringLiteral("id"));
    for (int row = list.currentRow() + 1; row < list.recordCount(); ++row) {
        if (!data::isAccepted(list.valueAt(row, ok).toString()) &&
            !list.valueAt(row, key).isNull()) {
            return list.valueAt(row, key).toInt();
        }
    }
    return std::nullopt;
}

}  // namespace tabel::shiftlog
