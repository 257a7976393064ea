#pragma once
// Ending the program from wherever the decision is taken, also during start-up.

namespace tabel::app {

// Ends every running event loop with `code` and marks the end as requested. A request made
// before the main loop runs would be forgotten by QApplication::exec(), so start-up asks
// endRequested() before entering it.
void endProgram(int code);
bool endRequested();
int endCode();

}  // namespace tabel::app
