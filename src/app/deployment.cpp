#include "app/deployment.h"

namespace tabel::app {

data::Deployment compiledDeployment() {
    return {QStringLiteral(TABEL_DEFAULT_SERVER),
            QStringLiteral(TABEL_DEFAULT_DATABASE),
            QStringLiteral(TABEL_SERVICE_PASSWORD),
            QStringLiteral(TABEL_SERVICE_CODE),
            QStringLiteral(TABEL_SSLMODE),
            QStringLiteral(TABEL_REPORT_SERVER),
            TABEL_REPORT_MAX_LAG};
}

}  // namespace tabel::app
