#pragma once
// The deployment values a program was configured with; compiled into each program, not into a
// library, so a build for the tests can point them at the test cluster.

#include "data/credentials.h"

namespace tabel::app {

data::Deployment compiledDeployment();

}  // namespace tabel::app
