#include "widgets/user_action.h"

#include "widgets/error_display.h"

namespace tabel::widgets {

bool runAction(const std::function<void()>& action) {
    try {
        action();
        return true;
    } catch (...) {
        showError(std::current_exception());
    }
    return false;
}

}  // namespace tabel::widgets
