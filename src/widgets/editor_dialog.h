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

    Mode mode() const { return mode_; }

protected:
    EditorDialog(const QString& name, const QString& groupCaption, QWidget* parent = nullptr);

    QGroupBox* fieldsGroup() const { return fieldsGroup_; }
    void setMode(Mode mode) { mode_ = mode; }

    // "Записать": runs through runAction, so a refusal it throws is shown and the editor stays
    // open with what was typed.
    virtual void save() = 0;
    virtual QWidget* firstFocus() const = 0;
    void showEvent(QShowEvent* event) override;

private:
    QGroupBox* fieldsGroup_;
    QPushButton* saveButton_;
    QPushButton* cancelButton_;
    Mode mode_ = Mode::Add;
};

}  // namespace tabel::widgets
