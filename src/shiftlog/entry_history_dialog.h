#pragma once
// "История": who recorded, changed, accepted or deleted an entry, and when; the deleted
// entries of the shift log's day are found with "Показать удаленные".

#include <QDate>
#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace tabel::data {
class Connection;
}

namespace tabel::shiftlog {

class EntryHistoryDialog : public QDialog {
    Q_OBJECT
public:
    EntryHistoryDialog(data::Connection& connection, QWidget* parent = nullptr);

    // Shows the history of `entryId` (0: none chosen) with the deleted entries of `day` and
    // `shift` one tick away; modal.
    void openForEntry(int entryId, const QDate& day, int shift);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void load(int entryId, const QDate& day, int shift);
    void showHistory(int entryId);
    void showDeleted();

    QLabel* entryLabel;
    QCheckBox* showDeletedCheck;
    QTableWidget* deletedTable;
    QTableWidget* historyTable;
    QPushButton* closeButton;

    data::Connection& connection_;
    QDate day_;
    int shift_ = 1;
};

}  // namespace tabel::shiftlog
