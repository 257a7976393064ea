#include "app/window_set.h"

#include "data/connection_string.h"
#include "data/errors.h"

namespace tabel::app {

Deployment compiledDeployment() {
    return {QStringLiteral(TABEL_DEFAULT_SERVER), QStringLiteral(TABEL_DEFAULT_DATABASE),
            QStringLiteral(TABEL_SERVICE_PASSWORD), QStringLiteral(TABEL_SERVICE_CODE)};
}

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
    form1 = std::make_unique<shiftlog::TForm1>(dm);
    login = std::make_unique<TForm23>(dm, *form1, deployment, server, database);
    form3 = std::make_unique<refdata::TForm3>(dm);
    form5 = std::make_unique<refdata::TForm5>(dm);
    form9 = std::make_unique<refdata::TForm9>(dm);
    form8 = std::make_unique<refdata::TForm8>(dm, *form9);
    form10 = std::make_unique<refdata::TForm10>(dm, *form3, *form8);
    form22 = std::make_unique<refdata::TForm22>(dm);
    form4 = std::make_unique<refdata::TForm4>(dm, *form10, *form22);
    form19 = std::make_unique<timesheet::TForm19>(dm);
    form1->setOperationKindsWindow(form8.get());
    form1->setTimesheetWindow(form19.get());
    form1->setOperationsWindow(form4.get());
}

}  // namespace tabel::app
