#pragma once
// Every window of the program, created once in start-up order and wired together.

#include <memory>

#include "app/login_window.h"
#include "data/data_module.h"
#include "refdata/norms_window.h"
#include "refdata/operation_kind_editor.h"
#include "refdata/operation_kinds_window.h"
#include "refdata/operation_price_editor.h"
#include "refdata/operations_window.h"
#include "refdata/products_window.h"
#include "refdata/workers_window.h"
#include "shiftlog/shift_log_window.h"
#include "timesheet/timesheet_window.h"

namespace tabel::app {

// The deployment values this build was configured with.
Deployment compiledDeployment();

struct WindowSet {
    WindowSet(const Deployment& deployment, const QString& server, const QString& database);

    data::TDataModule6 dm;
    std::unique_ptr<shiftlog::TForm1> form1;
    std::unique_ptr<TForm23> login;
    std::unique_ptr<refdata::TForm3> form3;
    std::unique_ptr<refdata::TForm5> form5;
    std::unique_ptr<refdata::TForm8> form8;
    std::unique_ptr<refdata::TForm9> form9;
    std::unique_ptr<refdata::TForm10> form10;
    std::unique_ptr<refdata::TForm22> form22;
    std::unique_ptr<refdata::TForm4> form4;
    std::unique_ptr<timesheet::TForm19> form19;
};

}  // namespace tabel::app
