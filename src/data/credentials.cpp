#include "data/credentials.h"

#include "data/connection_string.h"

namespace tabel::data {

LoginCredentials loginCredentials(const Deployment& deployment, const QString& server,
                                  const QString& database, const QString& typedLogin,
                                  const QString& typedPassword) {
    LoginCredentials result{typedLogin.trimmed(), typedPassword.trimmed(), QString(), true};
    if (!deployment.serviceCode.isEmpty() && result.password == deployment.serviceCode) {
        result.login = QStringLiteral("sys");
        result.password = deployment.servicePassword;
    }
    if (server.isEmpty() || database.isEmpty()) {
        result.connectionString =
            composeConnectionString({deployment.server, deployment.database, QStringLiteral("sys"),
                                     deployment.servicePassword});
        return result;
    }
    const ConnectionParams params{server, database, result.login, result.password};
    result.composable = isComposable(params);
    if (result.composable) {
        result.connectionString = composeConnectionString(params);
    }
    return result;
}

}  // namespace tabel::data
