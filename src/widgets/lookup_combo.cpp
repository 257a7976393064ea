#include "widgets/lookup_combo.h"

#include <QAbstractItemView>

#include "core/sort_order.h"
#include "data/dataset.h"
#include "widgets/user_action.h"

namespace tabel::widgets {

LookupCombo::LookupCombo(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(30);
    // The dataset's listeners and the close-up's act on what the user picked.
    connectAction(this, &QComboBox::currentIndexChanged, this,
                  [this](int index) { followCombo(index); });
    connectAction(this, &QComboBox::activated, this, [this] { closeUp(); });
}

void LookupCombo::bind(data::Dataset* dataset, const QString& keyField, const QString& listField) {
    dataset_ = dataset;
    keyField_ = keyField;
    listField_ = listField;
    connect(dataset_, &data::Dataset::rowsReset, this, &LookupCombo::reload);
    connect(dataset_, &data::Dataset::rowsRefreshed, this, &LookupCombo::reload);
    reload();
}

void LookupCombo::reload() {
    reloading_ = true;
    clear();
    if (dataset_ != nullptr && dataset_->isOpen()) {
        const int key = dataset_->fieldIndex(keyField_);
        const int text = dataset_->fieldIndex(listField_);
        for (int row = 0; row < dataset_->recordCount(); ++row) {
            addItem(dataset_->valueAt(row, text).toString(), dataset_->valueAt(row, key));
        }
    }
    reloading_ = false;
    // The key survives a reload when its row is still listed.
    setKeyValue(key_);
}

QVariant LookupCombo::keyValue() const {
    return currentIndex() >= 0 ? currentData() : QVariant();
}

void LookupCombo::setKeyValue(const QVariant& key) {
    key_ = key;
    int found = -1;
    if (!key.isNull()) {
        for (int i = 0; i < count(); ++i) {
            if (core::compareValues(itemData(i), key) == 0) {
                found = i;
                break;
            }
        }
    }
    reloading_ = true;
    setCurrentIndex(found);
    reloading_ = false;
    if (found >= 0 && dataset_ != nullptr) {
        dataset_->setCurrentRow(found);
    }
}

void LookupCombo::followCombo(int index) {
    if (reloading_) {
        return;
    }
    key_ = index >= 0 ? itemData(index) : QVariant();
    if (index >= 0 && dataset_ != nullptr) {
        dataset_->setCurrentRow(index);
    }
}

void LookupCombo::choose(int index) {
    setCurrentIndex(index);
    emit closedUp();
}

// Qt closes the list before it sets the picked item, so the close-up waits for the pick
// (`activated`); a list closed without a pick closes up once the event is done. Qt also calls
// this when the box is disabled with no list open: that is no close-up.
void LookupCombo::hidePopup() {
    const bool listOpen = view()->isVisible();
    QComboBox::hidePopup();
    if (!listOpen) {
        return;
    }
    closing_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (closing_) {
                runAction([this] { closeUp(); });
            }
        },
        Qt::QueuedConnection);
}

void LookupCombo::closeUp() {
    closing_ = false;
    emit closedUp();
}

}  // namespace tabel::widgets
