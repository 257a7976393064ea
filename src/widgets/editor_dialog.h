#pragma once
// The editor pattern: one group box of fields over "Записать" (default) and "Отмена" (cancel);
// the field that gets the focus when the editor is shown is the subclass's choice.

#include <QDialog>

class QGroupBox;
class QPushButton;

namespace tabel::widgets {

class EditorDialog : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Add, Change };

    QGroupBox* fieldsGroup;
    QPushButton* saveButton;
    QPushButton* cancelButton;

    Mode mode = Mode::Add;

protected:
    EditorDialog(const QString& name, const QString& groupCaption, QWidget* parent = nullptr);

    virtual void save() = 0;
    virtual QWidget* firstFocus() const = 0;
    void showEvent(QShowEvent* event) override;
};

}  // namespace tabel::widgets
