#include "data/credentials.h"

#include "data/connection_string.h"

#include <QRegularExpression>

namespace tabel::data {

ConnectionTarget connectionTarget(const Deployment& deployment, const QString& server,
                                  const QString& database) {
    if (!server.isEmpty() && !database.isEmpty()) {
        return {server, database};
    }
    return {deployment.server, deployment.database};
}

LoginCredentials loginCredentials(const Deployment& deployment, const QString& server,
                                  const QString& database, const QString& typedLogin,
                                  const QString& typedPassword) {
    LoginCredentials result{typedLogin.trimmed(), typedPassword.trimmed(), QString(), true};
    if (!deployment.serviceCode.isEmpty() && result.password == deployment.serviceCode) {
        result.login = QStringLiteral("sys");
        result.password = deployment.servicePassword;
    }
    // The typed login always opens the connection; without both names it goes to the
    // deployment's own server and database.
    const ConnectionTarget target = connectionTarget(deployment, server, database);
    const ConnectionParams params{target.server, target.database, result.login, result.password,
                                  deployment.sslMode};
    result.composable = isComposable(params);
    if (result.composable) {
        result.connectionString = composeConnectionString(params);
    }
    // The other servers take the same database, login, password and TLS mode.
    const auto sameLoginOn = [&params](const QString& server) {
        ConnectionParams other = params;
        other.server = server;
        return isComposable(other) ? composeConnectionString(other) : QString();
    };
    if (!deployment.reportServer.isEmpty()) {
        result.reportConnectionString = sameLoginOn(deployment.reportServer);
    }
    const QString primary =
        deployment.primaryServer.isEmpty() ? deployment.server : deployment.primaryServer;
    if (!primary.isEmpty() && primary != target.server) {
        result.primaryConnectionString = sameLoginOn(primary);
    }
    return result;
}

ConnectionFailure connectionFailureOf(const QString& connectionFailureText) {
    // 28P01: a wrong password; 28000: a login the server does not accept (an unknown role, a
    // role without login, no pg_hba.conf entry); and libpq's own "no password supplied".
    static const QRegularExpression kRefusal(
        QStringLiteral("\\b28P01\\b|\\b28000\\b|authentication failed|no password supplied|"
                       "password is required|role \"[^\"]*\" does not exist|"
                       "is not permitted to log in|pg_hba\\.conf|"
                       "не прошёл проверку подлинности|роль \"[^\"]*\" не существует|"
                       "вход запрещён|пароль не указан"),
        QRegularExpression::CaseInsensitiveOption);
    if (kRefusal.match(connectionFailureText).hasMatch()) {
        return ConnectionFailure::LoginRefused;
    }
    // libpq: "server does not support SSL, but SSL was required", "SSL error: certificate verify
    // failed", "root certificate file … does not exist"; translated: "… SSL …", "сертификат".
    static const QRegularExpression kTls(
        QStringLiteral("\\bSSL\\b|\\bTLS\\b|certificate|сертификат"));
    if (kTls.match(connectionFailureText).hasMatch()) {
        return ConnectionFailure::TlsRefused;
    }
    return ConnectionFailure::Unreachable;
}

bool isLoginRefused(const QString& connectionFailureText) {
    return connectionFailureOf(connectionFailureText) == ConnectionFailure::LoginRefused;
}

}  // namespace tabel::data
