#pragma once
// The lower part of the entry dialog: the materials consumed for the saved entry, its brigade,
// and "Сохранить", which divides the entry between the brigade.

#include <QWidget>

#include "data/dataset.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace tabel::data {
class Connection;
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
struct Entry;

class EntryMaterialsPanel : public QWidget {
    Q_OBJECT
public:
    // `entry`, `quantityEdit` and `workerEdit` belong to the dialog's upper part: the panel
    // reads the saved entry and the quantity, and empties the worker box after a brigade pick.
    EntryMaterialsPanel(data::Session& session, refdata::WorkersWindow& workers,
                        MaterialConsumptionDialog& consumption, const Entry& entry,
                        QLineEdit* quantityEdit, QLineEdit* workerEdit, QWidget* parent);

    // Created here, placed by the dialog in its button row next to "Запись".
    QPushButton* divideButton;
    widgets::DataGrid* materialsGrid;
    QPushButton* addMaterialButton;
    QPushButton* deleteMaterialButton;
    QLineEdit* materialsTotalEdit;
    QLabel* brigadeLabel;
    widgets::DataGrid* brigadeGrid;
    QPushButton* addMemberButton;
    QPushButton* removeMemberButton;

    data::Dataset materials;
    data::Dataset materialsTotal;
    data::Dataset brigade;

    void addMaterial();
    void deleteMaterial();
    void addBrigadeMember();
    void removeBrigadeMember();
    // Divides the entry between the brigade, then the dialog closes whatever the outcome.
    void divideEntry();

    // The material list bound to `entryId`, the total to `totalId` (-1 for none).
    void bindMaterials(int entryId, int totalId);
    void closeMaterials();
    void openBrigade(int entryId);
    void closeBrigade();
    // As every closing of the dialog leaves it: the brigade closed and bound to no entry.
    void resetBrigade();

    void setMaterialsEnabled(bool on);
    void setBrigadeEnabled(bool on);
    // Viewing writes nothing; the brigade grid keeps its state, its list is closed anyway.
    void lockForView();
    // After a save: materials may be recorded; a new entry also gets its brigade and division.
    void entrySaved(int entryId, bool inserted);

signals:
    void divided();

private:
    void refreshMaterials();

    data::Connection& connection_;
    refdata::WorkersWindow& workers_;
    MaterialConsumptionDialog& consumption_;
    const Entry& entry_;
    QLineEdit* quantityEdit_;
    QLineEdit* workerEdit_;
};

}  // namespace tabel::shiftlog
