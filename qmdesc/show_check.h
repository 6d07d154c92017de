// qmdesc show and check: one folder's description file, as Open shows it and as the next save would
// treat it.
#pragma once

#include "qmdesc/verbs.h"

// qmdesc show [PATH]: the folder's description and its entries, or the stored blocks. Returns the exit
// code.
int Show(const Request& request);

// qmdesc check [PATH]: what the next save would lose, and what else the file holds that misleads.
// Returns the exit code: 0 nothing to report, 1 something reported, 2 an error.
int Check(const Request& request);
