#pragma once
// A database server that takes connections and never answers: what a client meets when the
// server's host or process hangs. Listens on "<folder>/.s.PGSQL.5432" until destroyed.

#include <QFile>
#include <QTemporaryDir>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace tabel::test {

class SilentServer {
public:
    SilentServer() {
        const QByteArray path =
            QFile::encodeName(folder_.path() + QStringLiteral("/.s.PGSQL.5432"));
        socket_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.constData(), sizeof address.sun_path - 1);
        ::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(socket_, 16);  // the kernel completes the connection; nobody ever reads it
    }
    ~SilentServer() { ::close(socket_); }
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;

    QString folder() const { return folder_.path(); }

private:
    QTemporaryDir folder_;
    int socket_ = -1;
};

}  // namespace tabel::test
