#pragma once
// How a failed action is shown: one stop box with the failure's Russian message.

#include <exception>

namespace tabel::widgets {

// Shows the failure's message ("" for a failure that carries none) in a stop box, under the
// title a data::DataError carries, if any; a refused statement as data::userMessageOf words it.
void showError(const std::exception_ptr& failure);

}  // namespace tabel::widgets
