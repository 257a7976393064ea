#pragma once
// The login's credential rules, free of any window so the batch mode's --user reuses them.

#include <QString>

namespace tabel::data {

// Values compiled into the program for a deployment.
struct Deployment {
    QString server;
    QString database;
    QString servicePassword;
    QString serviceCode;  // empty: no service-code login
};

struct LoginCredentials {
    QString login;  // after the service code swap
    QString password;
    QString connectionString;  // empty when not composable
    bool composable = true;    // false: a ';' in the named server, database or login
};

// Typed login and password (trimmed here) for `server`/`database` named at start-up. The
// service code as password logs in as "sys". Without both names the deployment's own server
// and database are used with the service account.
LoginCredentials loginCredentials(const Deployment& deployment, const QString& server,
                                  const QString& database, const QString& typedLogin,
                                  const QString& typedPassword);

}  // namespace tabel::data
