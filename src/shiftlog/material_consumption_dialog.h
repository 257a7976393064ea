#pragma once
// The material consumption dialog: one goods item consumed for a saved entry.

#include <QDialog>

#include "data/dataset.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace tabel::data {
class Connection;
struct Session;
}  // namespace tabel::data
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

class MaterialConsumptionDialog : public QDialog {
    Q_OBJECT
public:
    explicit MaterialConsumptionDialog(data::Session& session, QWidget* parent = nullptr);

    // Prepares the lists for the entry, shows the dialog, then resets the goods and quantity.
    void openFor(const ConsumptionContext& context);

    widgets::LookupCombo* goodsCombo;
    QLineEdit* quantityEdit;
    QLabel* freeStockLabel;
    QLabel* reservedStockLabel;
    QPushButton* saveButton;
    QPushButton* cancelButton;

    data::Dataset goodsList;
    data::Dataset freeStock;
    data::Dataset reservedStock;
    data::Dataset normOperation;

    // The consumption norm of the chosen goods item, 0 without one.
    float norm() const { return norm_; }

    // Each showing starts with both remainders at 0.
    void resetStock();
    // Shows the chosen goods item's stock and proposes the quantity its norm gives.
    void chooseGoods();
    void saveConsumption();

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    // Leaving the goods list chooses what it shows, as closing it does.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void openRemainders(const QVariant& goods);
    void showRemainders();
    // The quantity to save after the stock question; nothing when the user keeps typing.
    std::optional<double> checkedQuantity(double quantity, double available);
    bool save(qint64 goods, double quantity);

    data::Connection& connection_;
    ConsumptionContext context_;
    float norm_ = 0;
};

}  // namespace tabel::shiftlog
