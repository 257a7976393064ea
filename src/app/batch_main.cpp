// The command line without windows: the program `tabel` hands every batch invocation to this
// one, which links no Qt Widgets and so runs where there is no window system.
#include "app/deployment.h"
#include "batch/batch.h"

int main(int argc, char** argv) {
    return tabel::batch::run(argc, argv, tabel::app::compiledDeployment());
}
