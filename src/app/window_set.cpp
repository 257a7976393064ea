#include "app/window_set.h"

#include "data/connection_string.h"
#include "data/errors.h"

namespace tabel::app {

WindowSet::WindowSet(const Deployment& deployment, const QString& server, const QString& database) {
    // The data module opens at once with the built-in settings; login reopens it in any case.
    dm.ADO_DB.setConnectionString(
        data::composeConnectionString({deployment.server, deployment.database,
                                       QStringLiteral("sys"), deployment.servicePassword}));
    try {
        dm.ADO_DB.open();
    } catch (const data::DbError&) {
        // Reported at login, with the server and database the user named.
    }
    shiftLog = std::make_unique<shiftlog::TForm1>(dm);
    login = std::make_unique<TForm23>(dm, *shiftLog, deployment, server, database);
    products = std::make_unique<refdata::TForm3>(dm);
    workers = std::make_unique<refdata::TForm5>(dm);
    kindEditor = std::make_unique<refdata::TForm9>(dm);
    kinds = std::make_unique<refdata::TForm8>(dm, *kindEditor);
    priceEditor = std::make_unique<refdata::TForm10>(dm, *products, *kinds);
    norms = std::make_unique<refdata::TForm22>(dm);
    operations = std::make_unique<refdata::TForm4>(dm, *priceEditor, *norms);
    consumption = std::make_unique<shiftlog::TForm24>(dm);
    entryDialog = std::make_unique<shiftlog::TForm11>(dm, *workers, *operations, *consumption);
    shiftLog->setOperationKindsWindow(kinds.get());
    shiftLog->setOperationsWindow(operations.get());
    shiftLog->setEntryDialog(entryDialog.get());
    reportsDialog = std::make_unique<reports::TForm18>(dm, shiftLog.get());
    shiftLog->setReportsWindow(reportsDialog.get());
}

}  // namespace tabel::app
