#pragma once
// Every window of the program, created once in start-up order and wired together.

#include <memory>

#include "app/deployment.h"
#include "app/login_window.h"
#include "charts/charts_window.h"
#include "data/session.h"
#include "outputwindows/month_close_dialog.h"
#include "outputwindows/reports_dialog.h"
#include "outputwindows/timesheet_window.h"
#include "refdata/norms_window.h"
#include "refdata/operation_kind_editor.h"
#include "refdata/operation_kinds_window.h"
#include "refdata/operation_price_editor.h"
#include "refdata/operations_window.h"
#include "refdata/products_window.h"
#include "refdata/workers_window.h"
#include "shiftlog/entry_dialog.h"
#include "shiftlog/material_consumption_dialog.h"
#include "shiftlog/shift_log_window.h"

namespace tabel::app {

struct WindowSet {
    WindowSet(const Deployment& deployment, const QString& server, const QString& database);

    data::Session session;
    std::unique_ptr<shiftlog::ShiftLogWindow> shiftLog;
    std::unique_ptr<LoginWindow> login;
    std::unique_ptr<refdata::ProductsWindow> products;
    std::unique_ptr<refdata::WorkersWindow> workers;
    std::unique_ptr<refdata::OperationKindsWindow> kinds;
    std::unique_ptr<refdata::OperationKindEditor> kindEditor;
    std::unique_ptr<refdata::OperationPriceEditor> priceEditor;
    std::unique_ptr<refdata::NormsWindow> norms;
    std::unique_ptr<refdata::OperationsWindow> operations;
    std::unique_ptr<shiftlog::MaterialConsumptionDialog> consumption;
    std::unique_ptr<shiftlog::EntryDialog> entryDialog;
    std::unique_ptr<outputwindows::TimesheetWindow> timesheetWindow;
    std::unique_ptr<outputwindows::ReportsDialog> reportsDialog;
    std::unique_ptr<outputwindows::MonthCloseDialog> monthCloseDialog;
    std::unique_ptr<charts::ChartsWindow> chartsWindow;
};

}  // namespace tabel::app
