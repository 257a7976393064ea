#pragma once
// The material consumption dialog: one goods item consumed for a saved entry.

#include <QDialog>
#include <optional>

#include "core/decimal.h"
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

// The quantity a goods item's norm proposes for the entry: `quantity` pieces at `norm` each,
// less what is recorded already (`total`), rounded once, half to even, to 3 places.
core::Decimal proposedConsumption(const core::Decimal& quantity, const core::Decimal& norm,
                                  const core::Decimal& total);

class MaterialConsumptionDialog : public QDialog {
    Q_OBJECT
public:
    explicit MaterialConsumptionDialog(data::Session& session, QWidget* parent = nullptr);

    // Prepares the lists for the entry, shows the dialog, then resets the goods and quantity.
    void openFor(const ConsumptionContext& context);

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    // Leaving the goods list chooses what it shows, as closing it does.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Each showing starts with both remainders at 0.
    void resetStock();
    // Shows the chosen goods item's stock and proposes the quantity its norm gives.
    void chooseGoods();
    void saveConsumption();
    void openRemainders(const QVariant& goods);
    void showRemainders();
    core::Decimal shownStock();
    // The quantity to save after the stock question; nothing when the user keeps typing.
    std::optional<core::Decimal> checkedQuantity(const core::Decimal& quantity,
                                                 const core::Decimal& available);
    bool save(qint64 goods, core::Decimal quantity);

    data::Connection& connection_;
    ConsumptionContext context_;

    data::Dataset goodsList_;
    data::Dataset freeStock_;
    data::Dataset reservedStock_;
    data::Dataset normOperation_;

    widgets::LookupCombo* goodsCombo_;
    QLineEdit* quantityEdit_;
    QLabel* freeStockLabel_;
    QLabel* reservedStockLabel_;
    QPushButton* saveButton_;
    QPushButton* cancelButton_;
};

}  // namespace tabel::shiftlog
