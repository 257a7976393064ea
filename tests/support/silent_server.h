#pragma once
// A database server that takes connections and never answers: what a client meets when the
// server's host or process hangs. Listens on "<folder>/.s.PGSQL.5432" until destroyed.

#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <vector>

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
    ~SilentServer() {
        for (const int client : clients_) {
            ::close(client);
        }
        ::close(socket_);
    }
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;

    QString folder() const { return folder_.path(); }

    // Clients connected and still waiting for an answer; those that gave up are let go.
    int waitingClients() {
        ::fcntl(socket_, F_SETFL, ::fcntl(socket_, F_GETFL) | O_NONBLOCK);
        for (int client = ::accept(socket_, nullptr, nullptr); client >= 0;
             client = ::accept(socket_, nullptr, nullptr)) {
            clients_.push_back(client);
        }
        std::erase_if(clients_, [](int client) {
            // What it sent (its start-up message) is read and never answered; the end of the
            // stream after it says the client closed.
            char buffer[512];
            ssize_t got = 0;
            do {
                got = ::recv(client, buffer, sizeof buffer, MSG_DONTWAIT);
            } while (got > 0);
            if (got == 0) {
                ::close(client);
                return true;
            }
            return false;
        });
        return int(clients_.size());
    }

private:
    QTemporaryDir folder_;
    int socket_ = -1;
    std::vector<int> clients_;
};

}  // namespace tabel::test
