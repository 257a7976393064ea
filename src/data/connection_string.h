#pragma once
// Composition of the ODBC connection string used at login.

#include <QString>

namespace tabel::data {

struct ConnectionParams {
    QString server;
    QString database;
    QString login;
    QString password;
};

// The fixed driver options that follow the credentials.
QString odbcOptionList();

// Braced so the driver neither splits on ';' nor URL-decodes '+' and '%'.
QString bracedPassword(const QString& password);

// True when the server, database and login can be passed to the driver (no ';').
bool isComposable(const ConnectionParams& params);

// "DRIVER={PostgreSQL UNICODE};DATABASE=…;SERVER=…;PORT=5432;UID=…;PWD={…};SSLmode=allow;" +
// options.
QString composeConnectionString(const ConnectionParams& params);

}  // namespace tabel::data
