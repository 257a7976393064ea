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
#include "reports/reports_dialog.h"
#include "shiftlog/entry_dialog.h"
#include "shiftlog/material_consumption_dialog.h"
#include "shiftlog/shift_log_window.h"

namespace tabel::app {

// The deployment values this build was configured with (deployment.cpp, part of the program).
Deployment compiledDeployment();

struct WindowSet {
    WindowSet(const Deployment& deployment, const QString& server, const QString& database);

    data::TDataModule6 dm;
    std::unique_ptr<shiftlog::TForm1> shiftLog;
    std::unique_ptr<TForm23> login;
    std::unique_ptr<refdata::TForm3> products;
    std::unique_ptr<refdata::TForm5> workers;
    std::unique_ptr<refdata::TForm8> kinds;
    std::unique_ptr<refdata::TForm9> kindEditor;
    std::unique_ptr<refdata::TForm10> priceEditor;
    std::unique_ptr<refdata::TForm22> norms;
    std::unique_ptr<refdata::TForm4> operations;
    std::unique_ptr<shiftlog::TForm24> consumption;
    std::unique_ptr<shiftlog::TForm11> entryDialog;
    std::unique_ptr<reports::TForm18> reportsDialog;
};

}  // namespace tabel::app
