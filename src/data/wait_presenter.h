#pragma once
// What the user sees while a statement keeps him waiting. The data layer has no widgets: the
// program installs a presenter (a modal wait dialog); without one nothing is shown.

#include <functional>

class QObject;

namespace tabel::data {

class WaitPresenter {
public:
    // How long a statement may keep the caller waiting before the presenter is shown.
    static constexpr int kShowAfterMs = 500;

    virtual ~WaitPresenter() = default;

    // Shows the wait, modal; `cancel` asks the server to stop the statement. Called again while
    // shown when a wait inside the shown one takes over, with that wait's cancel.
    virtual void showWait(std::function<void()> cancel) = 0;
    // Hides it and forgets the cancel.
    virtual void hideWait() = 0;
    // While shown, user input reaches only the presenter's own window: the rest is dropped.
    virtual bool ownsInput(const QObject* target) const = 0;

    // The program's presenter (nullptr: none); used only for waits on the application's thread.
    static void install(WaitPresenter* presenter);
    static WaitPresenter* installed();
};

}  // namespace tabel::data
