#pragma once
// TForm8: the operation kinds list, to browse and edit the kinds or to pick one.

#include <optional>

#include "widgets/list_window.h"

namespace tabel::data {
class TDataModule6;
}

namespace tabel::refdata {

class TForm9;

struct KindChoice {
    QString vid;  // trimmed
    int id;
};

class TForm8 : public widgets::ListWindow {
    Q_OBJECT
public:
    TForm8(data::TDataModule6& dm, TForm9& editor, QWidget* parent = nullptr);

    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;
    QPushButton* Button4;

    // Menu "Операции": add, rename and delete kinds.
    void openForBrowse();
    // The price editor's "...": the chosen kind, or nothing after "Выход".
    std::optional<KindChoice> pickKind();

    void Button1Click();
    void Button2Click();
    void Button3Click();

protected:
    void FormActivate() override;

private:
    data::TDataModule6& dm_;
    TForm9& editor_;
    std::optional<KindChoice> choice_;
};

}  // namespace tabel::refdata
