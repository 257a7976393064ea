#include "data/connection_string.h"

namespace tabel::data {

QStringList sslModes() {
    return {QStringLiteral("disable"), QStringLiteral("allow"),     QStringLiteral("prefer"),
            QStringLiteral("require"), QStringLiteral("verify-ca"), QStringLiteral("verify-full")};
}

bool isSslMode(const QString& mode) {
    return sslModes().contains(mode);
}

QString odbcOptionList() {
    return QStringLiteral(
               "ReadOnly=0;Protocol=7.4;FakeOidIndex=0;ShowOidColumn=0;RowVersioning=0;"
               "ShowSystemTables=0;Fetch=100;UnknownSizes=0;MaxVarcharSize=255;"
               "MaxLongVarcharSize=8190;") +
           // A server or network that is gone costs a message within 30 s, never a frozen
           // window: TCP keepalives (10 s idle, then 3 probes 5 s apart) and a limit on
           // unacknowledged sends. A busy server still acknowledges, so long reports run on.
           QStringLiteral(
               "KeepaliveTime=10;KeepaliveInterval=5;"
               "pqopt={keepalives_count=3 tcp_user_timeout=25000};") +
           QStringLiteral(
               "Debug=0;CommLog=0;UseDeclareFetch=0;TextAsLongVarchar=1;UnknownsAsLongVarchar=0;"
               "BoolsAsChar=1;Parse=0;ExtraSysTablePrefixes=;LFConversion=1;UpdatableCursors=1;") +
           QStringLiteral(
               "TrueIsMinus1=0;BI=0;ByteaAsLongVarBinary=1;UseServerSidePrepare=1;"
               "LowerCaseIdentifier=0;D6=-101;OptionalErrors=0;XaOpt=1");
}

QString bracedPassword(const QString& password) {
    QString escaped = password;
    escaped.replace(QLatin1Char('}'), QLatin1String("}}"));
    return QLatin1Char('{') + escaped + QLatin1Char('}');
}

bool isComposable(const ConnectionParams& params) {
    const QChar separator(QLatin1Char(';'));
    return !params.server.contains(separator) && !params.database.contains(separator) &&
           !params.login.contains(separator);
}

QString composeConnectionString(const ConnectionParams& params) {
    return QStringLiteral("DRIVER={PostgreSQL UNICODE};DATABASE=") + params.database +
           QStringLiteral(";SERVER=") + params.server + QStringLiteral(";PORT=5432;UID=") +
           params.login + QStringLiteral(";PWD=") + bracedPassword(params.password) +
           QStringLiteral(";SSLmode=") + params.sslMode + QLatin1Char(';') + odbcOptionList();
}

}  // namespace tabel::data
