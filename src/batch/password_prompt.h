#pragma once
// Asks for a password on the terminal without echoing it.

#include <QString>

#include <optional>

namespace tabel::batch {

// Empty optional when there is no terminal to ask on.
std::optional<QString> askPassword(const QString& prompt);

}  // namespace tabel::batch
