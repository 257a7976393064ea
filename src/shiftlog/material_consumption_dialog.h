#pragma once
// TForm24: the material consumption dialog, one goods item consumed for a saved entry.

#include <QDialog>

#include "data/dataset.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace tabel::data {
class TDataModule6;
}
namespace tabel::widgets {
class LookupCombo;
}

namespace tabel::shiftlog {

// What the entry dialog tells the consumption dialog.
struct ConsumptionContext {
    int entryId = 0;
    int productId = 0;
    QString quantityText;  // the entry's quantity box
    QString totalText;     // the material total box
};

class TForm24 : public QDialog {
    Q_OBJECT
public:
    explicit TForm24(data::TDataModule6& dm, QWidget* parent = nullptr);

    // Prepares the lists for the entry, shows the dialog, then resets the goods and quantity.
    void openFor(const ConsumptionContext& context);

    widgets::LookupCombo* LCB_id_gds_use;
    QLineEdit* Edit7;
    QLabel* DBText1;
    QLabel* DBText2;
    QPushButton* Button1;
    QPushButton* Button2;

    data::Dataset v_cmn_gds_in;
    data::Dataset v_id_cons_use;
    data::Dataset v_id_cons_use1;
    data::Dataset operation;

    // The consumption norm of the chosen goods item, 0 without one.
    float norm() const { return norm_; }

    void FormActivate();
    void LCB_id_gds_useCloseUp();
    void Button1Click();

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void openRemainders(const QVariant& goods);
    void showRemainders();
    // The quantity to save after the stock question; nothing when the user keeps typing.
    std::optional<double> checkedQuantity(double quantity, double available);
    bool save(qint64 goods, double quantity);

    data::TDataModule6& dm_;
    ConsumptionContext context_;
    float norm_ = 0;
};

}  // namespace tabel::shiftlog
