#pragma once
// A lookup list: a drop-down over the rows a dataset shows (after its filter), keyed by one
// field and showing another. Choosing an item moves the dataset to that row.

#include <QComboBox>
#include <QVariant>

namespace tabel::data {
class Dataset;
}

namespace tabel::widgets {

class LookupCombo : public QComboBox {
    Q_OBJECT
public:
    explicit LookupCombo(QWidget* parent = nullptr);

    void bind(data::Dataset* dataset, const QString& keyField, const QString& listField);

    // The chosen row's key; null when nothing is shown.
    QVariant keyValue() const;
    // Shows the row with this key, or nothing when the list has no such row.
    void setKeyValue(const QVariant& key);
    bool showsText() const { return currentIndex() >= 0; }

    // As a user would: picks item `index` and closes the list.
    void choose(int index);

    void hidePopup() override;

signals:
    // The drop-down closed, with or without a change.
    void closedUp();

private:
    void reload();
    void followCombo(int index);
    void closeUp();

    data::Dataset* dataset_ = nullptr;
    QString keyField_;
    QString listField_;
    QVariant key_;
    bool reloading_ = false;
    bool closing_ = false;
};

}  // namespace tabel::widgets
