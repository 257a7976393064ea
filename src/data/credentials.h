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
// service code as password logs in as "sys" with the service password; any other password is
// the login's own. Without both names the deployment's own server and database are used, still
// with the typed login: no connection uses the service password unless the code was typed.
LoginCredentials loginCredentials(const Deployment& deployment, const QString& server,
                                  const QString& database, const QString& typedLogin,
                                  const QString& typedPassword);

// True when a failed connection's text says the server refused the login or its password
// (SQLSTATE 28P01 or 28000). The ODBC driver keeps no SQLSTATE of a failed connection, so the
// server's words are read, in English or Russian.
bool isLoginRefused(const QString& connectionFailureText);

}  // namespace tabel::data
