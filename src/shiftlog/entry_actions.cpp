// The shift log window's actions on its entries: add, edit, view, delete, accept.
#include <QPushButton>

#include "core/messages.h"
#include "data/entry_writes.h"
#include "data/errors.h"
#include "data/session.h"
#include "shiftlog/entry_dialog.h"
#include "shiftlog/shift_log_window.h"
#include "widgets/data_grid.h"

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

EntryRow ShiftLogWindow::currentEntry() {
    data::Dataset& list = currentList();
    auto text = [&list](const char* name) {
        return list.field(QString::fromLatin1(name)).asString().trimmed();
    };
    auto number = [&list](const char* name) {
        return list.field(QString::fromLatin1(name)).asInteger();
    };
    EntryRow row;
    row.id = number("id");
    row.date = list.field(QStringLiteral("data")).value().toDate();
    row.fio = text("fio");
    row.marka = text("marka");
    row.vid = text("vid");
    row.naimen = number("naimen");
    row.kolVo = list.field(QStringLiteral("kol_vo")).asFloat();
    row.brak = number("brak");
    row.time = list.field(QStringLiteral("time")).isNull() ? 0 : number("time");
    row.cena = list.field(QStringLiteral("cena")).asFloat();
    row.workerId = number("w_id");
    row.productId = number("i_id");
    row.operationId = number("o_id");
    row.docId = list.field(QStringLiteral("id_doc")).value();
    row.itemId = list.field(QStringLiteral("id_doc_item")).value();
    row.version = list.field(QStringLiteral("entry_version")).asString();
    return row;
}

bool ShiftLogWindow::currentAccepted() {
    return data::isAccepted(currentList().field(QStringLiteral("ok")).asString());
}

void ShiftLogWindow::addEntry() {
    if (entryDialog_ == nullptr) {
        return;
    }
    entryDialog_->openForAdd(entryContext());
    // The list stands on the entry just made, wherever its order puts it.
    if (const int id = entryDialog_->entry().id; id != 0) {
        pendingLocate_ = id;
        locatePendingEntry();
    }
}

void ShiftLogWindow::editEntry() {
    data::Dataset& list = currentList();
    if (entryDialog_ == nullptr || !list.isOpen() || list.isEmpty() || currentAccepted()) {
        return;
    }
    const int recNo = list.recNo();
    const EntryRow row = currentEntry();
    entryDialog_->openForEdit(entryContext(), row);
    // The changed entry, even when the change moved it in the list's order.
    if (!list.locate(QStringLiteral("id"), row.id) && recNo >= 1 && recNo <= list.recordCount()) {
        list.setRecNo(recNo);
    }
}

void ShiftLogWindow::viewOrAcceptEntry() {
    if (doubleClickAccepts_) {
        acceptEntry();
        return;
    }
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
    if (!core::MessageBoxes::confirmDelete(QStringLiteral("Удалить позицию из списка?"))) {
        return;
    }
    try {
        data::deleteEntry(session_.connection, id);
    } catch (const data::DbError& error) {
        core::MessageBoxes::error(data::userMessageOf(error));
    }
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
    try {
        data::acceptEntry(session_.connection, id, version);
    } catch (const data::DbError& error) {
        core::MessageBoxes::error(data::userMessageOf(error));
    }
    // Accepted, or changed meanwhile: either way the list shows the entry as it now is.
    followOwnWrite(id);
}

}  // namespace tabel::shiftlog
