#pragma once
// Composition of the ODBC connection string used at login.

#include <QString>
#include <QStringList>

namespace tabel::data {

// TLS tried first, a plain connection only when the server offers no TLS.
inline const QString kDefaultSslMode = QStringLiteral("prefer");

struct ConnectionParams {
    QString server;
    QString database;
    QString login;
    QString password;
    QString sslMode = kDefaultSslMode;  // libpq's sslmode; ignored over a Unix socket
};

// The TLS modes of libpq that a plant may choose: disable, allow, prefer, require, verify-ca,
// verify-full. The build and the command line refuse any other before it gets here.
QStringList sslModes();
bool isSslMode(const QString& mode);

// The fixed driver options that follow the credentials.
QString odbcOptionList();

// Braced so the driver neither splits on ';' nor URL-decodes '+' and '%'.
QString bracedPassword(const QString& password);

// True when the server, database and login can be passed to the driver (no ';').
bool isComposable(const ConnectionParams& params);

// "DRIVER={PostgreSQL UNICODE};DATABASE=…;SERVER=…;PORT=5432;UID=…;PWD={…};SSLmode=…;" +
// options.
QString composeConnectionString(const ConnectionParams& params);

}  // namespace tabel::data
