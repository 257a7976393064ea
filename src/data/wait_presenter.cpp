#include "data/wait_presenter.h"

#include <atomic>

namespace tabel::data {

namespace {
std::atomic<WaitPresenter*> presenter{nullptr};
}  // namespace

void WaitPresenter::install(WaitPresenter* p) {
    presenter.store(p);
}

WaitPresenter* WaitPresenter::installed() {
    return presenter.load();
}

}  // namespace tabel::data
