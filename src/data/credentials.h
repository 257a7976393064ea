#pragma once
// The login's credential rules, free of any window so the batch mode's --user reuses them.

#include <QString>

#include "data/connection_string.h"

namespace tabel::data {

// Values compiled into the program for a deployment.
struct Deployment {
    QString server;
    QString database;
    QString servicePassword;
    QString serviceCode;                // empty: no service-code login
    QString sslMode = kDefaultSslMode;  // TABEL_SSLMODE, or --sslmode for one run
    // A hot standby the reports read from with the same login (TABEL_REPORT_SERVER, or
    // --report-server); empty: none. Past `reportMaxLagSeconds` behind it is not used.
    QString reportServer = {};
    int reportMaxLagSeconds = 300;
    // The primary a session on a hot standby listens for changes on, with the same login
    // (--primary-server); empty: the deployment's own server, when the session was started on
    // another.
    QString primaryServer = {};
};

// The server and database a login connects to: both as named at start-up, or, without both
// names, the deployment's own.
struct ConnectionTarget {
    QString server;
    QString database;
};
ConnectionTarget connectionTarget(const Deployment& deployment, const QString& server,
                                  const QString& database);

struct LoginCredentials {
    QString login;  // after the service code swap
    QString password;
    QString connectionString;  // empty when not composable
    bool composable = true;    // false: a ';' in the named server, database or login
    // The same login on the deployment's report server; empty without one (or not composable).
    QString reportConnectionString = {};
    // The same login on the primary, should the login's server be a standby: the deployment's
    // primary server, else its own server when another was named; empty when that is the
    // login's server itself (or not composable).
    QString primaryConnectionString = {};
};

// Typed login and password (trimmed here) for `server`/`database` named at start-up. The
// service code as password logs in as "sys" with the service password; any other password is
// the login's own. Without both names the deployment's own server and database are used, still
// with the typed login: no connection uses the service password unless the code was typed.
LoginCredentials loginCredentials(const Deployment& deployment, const QString& server,
                                  const QString& database, const QString& typedLogin,
                                  const QString& typedPassword);

// Why a connection could not be opened, as far as the user can act on it.
enum class ConnectionFailure {
    Unreachable,  // no server, no database, a broken network: "Подключение к БД отсутсвует"
    LoginRefused,  // SQLSTATE 28P01 or 28000, or no password: "Неверный логин или пароль"
    TlsRefused,  // the TLS mode asks for TLS (or a certificate) the server does not give
};

// The ODBC driver keeps no SQLSTATE of a failed connection, so the server's and libpq's words
// are read, in English or Russian. A refused login wins over a TLS word in the same text
// (pg_hba.conf names the encryption of the rule it missed).
ConnectionFailure connectionFailureOf(const QString& connectionFailureText);

// True when a failed connection's text says the server refused the login or its password.
bool isLoginRefused(const QString& connectionFailureText);

}  // namespace tabel::data
