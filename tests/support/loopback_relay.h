#pragma once
// The test cluster reached over TCP: the cluster listens only on its Unix socket, where libpq
// never negotiates TLS, so a TLS mode shows its effect only on a TCP connection. The relay
// listens on a loopback address of its own at port 5432 (the port the program always uses) and
// joins each connection to the cluster's socket, byte for byte, noting what each client sent.
// The cluster has no TLS: it answers a client's request for TLS with "N", as a plant's server
// without TLS does.

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace tabel::test {

class LoopbackRelay {
public:
    explicit LoopbackRelay(const QString& socketFolder)
        : socketPath_(QFile::encodeName(socketFolder + QStringLiteral("/.s.PGSQL.5432"))) {
        if (::pipe(wake_) != 0) {
            return;
        }
        // An address of 127/8 picked from the process id: two test runs side by side (other
        // build folders) do not meet at port 5432.
        const unsigned seed = unsigned(::getpid());
        for (unsigned attempt = 0; attempt < 16 && listener_ < 0; ++attempt) {
            const unsigned n = seed * 7919u + attempt * 104729u;
            host_ = QStringLiteral("127.%1.%2.%3")
                        .arg(100 + n % 100)
                        .arg((n / 100) % 250 + 1)
                        .arg((n / 25000) % 250 + 1);
            const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_port = htons(5432);
            ::inet_pton(AF_INET, host_.toLatin1().constData(), &address.sin_addr);
            if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                ::listen(fd, 16) == 0) {
                listener_ = fd;
            } else {
                ::close(fd);
            }
        }
        if (listener_ >= 0) {
            acceptor_ = std::thread([this] { acceptAll(); });
        }
    }

    ~LoopbackRelay() {
        stopping_ = true;
        if (wake_[1] >= 0) {
            (void)!::write(wake_[1], "x", 1);
        }
        if (acceptor_.joinable()) {
            acceptor_.join();
        }
        for (std::thread& pump : pumps_) {
            pump.join();
        }
        for (const int fd : {listener_, wake_[0], wake_[1]}) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
    LoopbackRelay(const LoopbackRelay&) = delete;
    LoopbackRelay& operator=(const LoopbackRelay&) = delete;

    // False when no loopback address could be taken at port 5432.
    bool listening() const { return listener_ >= 0; }
    // The address to name as the server ("127.x.y.z").
    QString host() const { return host_; }

    // What each client connection sent, in the order they came; a connection still open may
    // not be complete yet.
    QList<QByteArray> clientBytes() const {
        const std::lock_guard lock(mutex_);
        return clientBytes_;
    }

    // The first message of a client that asks for TLS (SSLRequest: length 8, code 80877103).
    static QByteArray tlsRequest() { return QByteArray("\x00\x00\x00\x08\x04\xd2\x16\x2f", 8); }

private:
    void acceptAll() {
        while (!stopping_) {
            pollfd fds[2] = {{listener_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
            if (::poll(fds, 2, -1) <= 0 || (fds[1].revents & POLLIN) != 0) {
                continue;
            }
            const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0) {
                continue;
            }
            const int server = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            std::strncpy(address.sun_path, socketPath_.constData(), sizeof address.sun_path - 1);
            if (::connect(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
                ::close(server);
                ::close(client);
                continue;
            }
            qsizetype index = 0;
            {
                const std::lock_guard lock(mutex_);
                index = clientBytes_.size();
                clientBytes_.append(QByteArray());
            }
            pumps_.emplace_back([this, client, server, index] { pump(client, server, index); });
        }
    }

    // Carries bytes both ways until either side closes or the relay stops.
    void pump(int client, int server, qsizetype index) {
        char buffer[16384];
        bool open = true;
        while (open && !stopping_) {
            pollfd fds[3] = {{client, POLLIN, 0}, {server, POLLIN, 0}, {wake_[0], POLLIN, 0}};
            if (::poll(fds, 3, -1) <= 0 || (fds[2].revents & POLLIN) != 0) {
                continue;
            }
            for (int side = 0; side < 2 && open; ++side) {
                if ((fds[side].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
                    continue;
                }
                const ssize_t got = ::read(fds[side].fd, buffer, sizeof buffer);
                if (got <= 0) {
                    open = false;
                    break;
                }
                if (side == 0) {
                    const std::lock_guard lock(mutex_);
                    clientBytes_[index].append(buffer, got);
                }
                const int to = side == 0 ? server : client;
                for (ssize_t sent = 0; sent < got;) {
                    const ssize_t n = ::send(to, buffer + sent, size_t(got - sent), MSG_NOSIGNAL);
                    if (n <= 0) {
                        open = false;
                        break;
                    }
                    sent += n;
                }
            }
        }
        ::close(client);
        ::close(server);
    }

    QByteArray socketPath_;
    QString host_;
    int listener_ = -1;
    int wake_[2] = {-1, -1};
    std::atomic<bool> stopping_{false};
    std::thread acceptor_;
    std::vector<std::thread> pumps_;  // only the acceptor adds, until it is joined
    mutable std::mutex mutex_;
    QList<QByteArray> clientBytes_;
};

}  // namespace tabel::test
