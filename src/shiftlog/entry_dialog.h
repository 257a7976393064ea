#pragma once
// TForm11: the entry dialog, where one shift entry is added, changed or viewed, with its
// materials and brigade in the lower part.

#include <QDialog>

#include "data/dataset.h"
#include "shiftlog/entry.h"

class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tabel::data {
class TDataModule6;
}
namespace tabel::refdata {
class TForm4;
class TForm5;
}  // namespace tabel::refdata
namespace tabel::widgets {
class DataGrid;
class LookupCombo;
}  // namespace tabel::widgets

namespace tabel::shiftlog {

class TForm24;

// What the shift log window tells the dialog about where it is opened.
struct EntryContext {
    int shift = 1;
    bool dayOff = false;
    QDate date;                  // the shift log window's date (add mode)
    int currentOperationId = 0;  // o_id of the shift list's current row
};

// One row of a shift list, as edit and view mode read it.
struct EntryRow {
    int id = 0;
    QDate date;
    QString fio;
    QString marka;
    QString vid;
    int naimen = 0;
    double kolVo = 0;
    int brak = 0;
    int time = 0;
    double cena = 0;
    int workerId = 0;
    int productId = 0;
    int operationId = 0;
    QVariant docId;   // null when the entry has none
    QVariant itemId;  // null when the entry has none
};

class TForm11 : public QDialog {
    Q_OBJECT
public:
    TForm11(data::TDataModule6& dm, refdata::TForm5& workers, refdata::TForm4& operations,
            TForm24& consumption, QWidget* parent = nullptr);
    ~TForm11() override;

    // 1 add, 2 edit, 3 view.
    int Tag = 0;
    // The entry being worked on; its id is 0 until a new entry is saved.
    const Entry& entry() const { return entry_; }

    void openForAdd(const EntryContext& context);
    void openForEdit(const EntryContext& context, const EntryRow& row);
    void openForView(const EntryContext& context, const EntryRow& row);
    // What edit mode sets before the dialog is shown.
    void loadForEdit(const EntryContext& context, const EntryRow& row);

    // Controls, named as the program knows them.
    QGroupBox* GroupBox1;
    widgets::LookupCombo* LCB_id_doc;
    widgets::LookupCombo* LCB_id_doc_item;
    QLineEdit* Edit1;
    QPushButton* Button3;
    QLineEdit* Edit2;
    QPushButton* Button4;
    QLineEdit* Edit3;
    QLineEdit* Edit6;
    QDateEdit* DTimeP;
    QLineEdit* Edit4;
    QLineEdit* Edit7;
    QLineEdit* Edit8;
    QLineEdit* Edit5;
    QLabel* Label10;
    QLabel* Label6;
    QPushButton* Button1;
    QPushButton* Button2;
    widgets::DataGrid* DBGrid1;
    QLineEdit* DBEdit1;
    QPushButton* Button5;
    QPushButton* Button6;
    widgets::DataGrid* DBGrid2;
    QPushButton* Button7;
    QPushButton* Button8;
    QPushButton* Button9;

    data::Dataset v_mnf_requisition;
    data::Dataset v_mnf_requisition_item;
    data::Dataset smena_gds_use;
    data::Dataset sum_smena_gds_use;
    data::Dataset fio_smena_gds;

    // Handlers.
    void LCB_id_docCloseUp();
    void LCB_id_doc_itemCloseUp();
    void Button3Click();
    void Button4Click();
    void Edit3Exit();
    void Button1Click();
    void Button5Click();
    void Button6Click();
    void Button7Click();
    void Button8Click();
    void Button9Click();

    // The entry as the controls show it.
    Entry fields() const;

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    QWidget* buildLowerPart();
    void layoutControls(QWidget* lower);
    void wireHandlers();
    void clearChoices();
    void useStandardStatements();
    void useViewStatements(int entryId);
    void bindMaterials(int entryId, int totalId);
    void fillFromRow(const EntryRow& row);
    void prepareRequisitions(const EntryRow& row);
    void setUpperEnabled(bool on);
    void afterSave(int id, bool inserted);
    void reopenShiftList(int id, bool inserted);
    void refreshMaterials();
    void updatePaintState();
    QString stageDescription(const EntryRow& row) const;

    data::TDataModule6& dm_;
    refdata::TForm5& workers_;
    refdata::TForm4& operations_;
    TForm24& consumption_;
    EntryContext context_;
    Entry entry_;
};

}  // namespace tabel::shiftlog
