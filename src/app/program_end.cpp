#include "app/program_end.h"

#include <QCoreApplication>

namespace tabel::app {

namespace {

bool requested = false;
int requestedCode = 0;

}  // namespace

void endProgram(int code) {
    if (!requested) {
        requested = true;
        requestedCode = code;
    }
    QCoreApplication::exit(requestedCode);
}

bool endRequested() {
    return requested;
}

int endCode() {
    return requestedCode;
}

}  // namespace tabel::app
