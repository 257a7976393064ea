#include "app/window_set.h"

#include "data/connection_string.h"
#include "data/errors.h"

namespace tabel::app {

WindowSet::WindowSet(const Deployment& deployment, const QString& server, const QString& database) {
    // The data module opens at once with the built-in settings; login reopens it in any case.
    dm.connection.setConnectionString(
        data::composeConnectionString({deployment.server, deployment.database,
                                       QStringLiteral("sys"), deployment.servicePassword}));
    try {
        dm.connection.open();
    } catch (const data::DbError&) {
        // Reported at login, with the server and database the user named.
    }
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
