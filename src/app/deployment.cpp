#include "app/window_set.h"

namespace tabel::app {

// Compiled into the program (not the library), so a build for the tests can point it at
// the test cluster.
Deployment compiledDeployment() {
    return {QStringLiteral(TABEL_DEFAULT_SERVER), QStringLiteral(TABEL_DEFAULT_DATABASE),
            QStringLiteral(TABEL_SERVICE_PASSWORD), QStringLiteral(TABEL_SERVICE_CODE)};
}

}  // namespace tabel::app
