#include "app/window_set.h"

namespace tabel::app {

WindowSet::WindowSet(const Deployment& deployment, const QString& server, const QString& database) {
    // No connection before the login: only the typed login (or the service code) opens one.
    shiftLog = std::make_unique<shiftlog::ShiftLogWindow>(dm);
    login = std::make_unique<LoginWindow>(dm, *shiftLog, deployment, server, database);
    products = std::make_unique<refdata::ProductsWindow>(dm);
    workers = std::make_unique<refdata::WorkersWindow>(dm);
    kindEditor = std::make_unique<refdata::OperationKindEditor>(dm);
    kinds = std::make_unique<refdata::OperationKindsWindow>(dm, *kindEditor);
    priceEditor = std::make_unique<refdata::OperationPriceEditor>(dm, *products, *kinds);
    norms = std::make_unique<refdata::NormsWindow>(dm);
    operations = std::make_unique<refdata::OperationsWindow>(dm, *priceEditor, *norms);
    consumption = std::make_unique<shiftlog::MaterialConsumptionDialog>(dm);
    entryDialog = std::make_unique<shiftlog::EntryDialog>(dm, *workers, *operations, *consumption);
    timesheetWindow = std::make_unique<outputwindows::TimesheetWindow>(dm);
    shiftLog->setOperationKindsWindow(kinds.get());
    shiftLog->setTimesheetWindow(timesheetWindow.get());
    shiftLog->setOperationsWindow(operations.get());
    shiftLog->setEntryDialog(entryDialog.get());
    reportsDialog = std::make_unique<outputwindows::ReportsDialog>(dm, shiftLog.get());
    shiftLog->setReportsWindow(reportsDialog.get());
}

}  // namespace tabel::app
