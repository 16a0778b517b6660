// The backup run: every settings page in tab order, each into a new generation
// folder of its destination (see Sbakini.h for the generation layout).
#pragma once

#include "base/app.h"

namespace ruzer {

// The whole run, from the memo dialog to the final status line. Called by the
// menu command and by automatic start-up.
void RunBackup(App& app);

}  // namespace ruzer
