#include "batch/password_prompt.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#include <cstdio>

#include <string>

namespace tabel::batch {

std::optional<QString> askPassword(const QString& prompt) {
    // A job started from cron or a pipe has nobody to answer, even when a terminal is around.
    if (::isatty(STDIN_FILENO) == 0) {
        return std::nullopt;
    }
    const int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY);
    if (fd < 0) {
        return std::nullopt;
    }
    termios saved{};
    if (::tcgetattr(fd, &saved) != 0) {
        ::close(fd);
        return std::nullopt;
    }
    // Echo is off before the prompt shows: what is typed after it is never flushed or shown.
    termios silent = saved;
    silent.c_lflag &= ~tcflag_t(ECHO);
    ::tcsetattr(fd, TCSAFLUSH, &silent);
    const QByteArray text = prompt.toUtf8();
    (void)!::write(fd, text.constData(), size_t(text.size()));
    std::string line;
    char c = 0;
    while (::read(fd, &c, 1) == 1 && c != '\n' && c != '\r') {
        line.push_back(c);
    }
    ::tcsetattr(fd, TCSAFLUSH, &saved);
    (void)!::write(fd, "\n", 1);
    ::close(fd);
    return QString::fromStdString(line);
}

}  // namespace tabel::batch
