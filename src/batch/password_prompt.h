#pragma once
// Asks for a password on the terminal without echoing it.

#include <QString>

#include <optional>

namespace tabel::batch {

// Empty optional when there is no terminal to ask on: standard input is not one (a job from
// cron or a pipe), or the process has no terminal of its own.
std::optional<QString> askPassword(const QString& prompt);

}  // namespace tabel::batch
