#pragma once
// The lower part of the entry dialog: the materials consumed for the saved entry, its brigade
// with each member's coefficient (КТУ) and hours, how it is split, the preview of the division,
// and "Сохранить", which divides the entry between the brigade.

#include <QWidget>

#include "core/brigade_split.h"
#include "data/dataset.h"

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace tabel::data {
class Connection;
struct Entry;
struct Session;
}  // namespace tabel::data
namespace tabel::refdata {
class WorkersWindow;
}
namespace tabel::widgets {
class DataGrid;
}

namespace tabel::shiftlog {

class MaterialConsumptionDialog;

class EntryMaterialsPanel : public QWidget {
    Q_OBJECT
public:
    // `entry` and `quantityEdit` belong to the dialog's upper part: the panel reads the saved
    // entry and the quantity.
    EntryMaterialsPanel(data::Session& session, refdata::WorkersWindow& workers,
                        MaterialConsumptionDialog& consumption, const data::Entry& entry,
                        QLineEdit* quantityEdit, QWidget* parent);

    // "Сохранить": created here, placed by the dialog in its button row next to "Запись".
    QPushButton* divideButton() const { return divideButton_; }

    // The material list bound to `entryId`, the total to `totalId` (-1 for none).
    void bindMaterials(int entryId, int totalId);
    void closeMaterials();
    void closeBrigade();
    // As every closing of the dialog leaves it: the brigade closed and bound to no entry.
    void resetBrigade();

    void setMaterialsEnabled(bool on);
    void setBrigadeEnabled(bool on);
    void setDivideEnabled(bool on);
    // A paint operation's entry is the one divided between a brigade.
    void setBrigadeLabelEnabled(bool on);
    // Viewing entry `entryId`: its materials and brigade shown, to be read and scrolled; nothing
    // written.
    void showForView(int entryId);
    // After a save: materials may be recorded; a new entry also gets its brigade and division.
    void entrySaved(int entryId, bool inserted);
    // The keyboard goes on to the materials.
    void focusMaterials();

    // The split chosen above the brigade list.
    core::BrigadeSplit split() const;
    // What "Сохранить" would write now, as the preview shows it.
    const core::BrigadeDivision& preview() const { return preview_; }

signals:
    // The entry was divided between the brigade: the dialog is done.
    void divided();

private:
    void addMaterial();
    void deleteMaterial();
    void addBrigadeMember();
    void removeBrigadeMember();
    void divideEntry();
    void openBrigade(int entryId);
    void refreshMaterials();
    // Stores the brigade line being edited (its coefficient and hours).
    void storeBrigadeLine();
    void setSplit(core::BrigadeSplit split);
    void updatePreview();

    data::Connection& connection_;
    refdata::WorkersWindow& workers_;
    MaterialConsumptionDialog& consumption_;
    const data::Entry& entry_;
    QLineEdit* quantityEdit_;

    data::Dataset materials_;
    data::Dataset materialsTotal_;
    data::Dataset brigade_;

    QPushButton* divideButton_;
    widgets::DataGrid* materialsGrid_;
    QPushButton* addMaterialButton_;
    QPushButton* deleteMaterialButton_;
    QLineEdit* materialsTotalEdit_;
    QLabel* brigadeLabel_;
    widgets::DataGrid* brigadeGrid_;
    QPushButton* addMemberButton_;
    QPushButton* removeMemberButton_;
    QButtonGroup* splitGroup_;
    QRadioButton* splitEvenButton_;
    QRadioButton* splitKtuButton_;
    QRadioButton* splitHoursButton_;
    QTableWidget* previewTable_;
    QLabel* previewNote_;
    core::BrigadeDivision preview_;
};

}  // namespace tabel::shiftlog
