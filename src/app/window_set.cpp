#include "app/window_set.h"

namespace tabel::app {

WindowSet::WindowSet(const Deployment& deployment, const QString& server, const QString& database) {
    // No connection before the login: only the typed login (or the service code) opens one.
    shiftLog = std::make_unique<shiftlog::ShiftLogWindow>(session);
    login = std::make_unique<LoginWindow>(session, *shiftLog, deployment, server, database);
    products = std::make_unique<refdata::ProductsWindow>(session);
    workers = std::make_unique<refdata::WorkersWindow>(session);
    kindEditor = std::make_unique<refdata::OperationKindEditor>(session);
    kinds = std::make_unique<refdata::OperationKindsWindow>(session, *kindEditor);
    priceEditor = std::make_unique<refdata::OperationPriceEditor>(session, *products, *kinds);
    norms = std::make_unique<refdata::NormsWindow>(session);
    operations = std::make_unique<refdata::OperationsWindow>(session, *priceEditor, *norms);
    consumption = std::make_unique<shiftlog::MaterialConsumptionDialog>(session);
    entryDialog =
        std::make_unique<shiftlog::EntryDialog>(session, *workers, *operations, *consumption);
    timesheetWindow = std::make_unique<outputwindows::TimesheetWindow>(session);
    shiftLog->setOperationKindsWindow(kinds.get());
    shiftLog->setTimesheetWindow(timesheetWindow.get());
    shiftLog->setOperationsWindow(operations.get());
    shiftLog->setEntryDialog(entryDialog.get());
    reportsDialog = std::make_unique<outputwindows::ReportsDialog>(session, shiftLog.get());
    shiftLog->setReportsWindow(reportsDialog.get());
    monthCloseDialog = std::make_unique<outputwindows::MonthCloseDialog>(session, shiftLog.get());
    shiftLog->setMonthCloseDialog(monthCloseDialog.get());
    chartsWindow = std::make_unique<charts::ChartsWindow>(session, shiftLog.get());
    shiftLog->setChartsWindow(chartsWindow.get());
}

}  // namespace tabel::app
