// qmdesc find: the walk through every folder below the ones given, and the matching of names and
// descriptions.
#pragma once

#include "qmdesc/verbs.h"

// qmdesc find TEXT [FOLDER...]: prints every entry whose name or description holds TEXT. Returns the exit
// code: 0 found, 1 nothing found, 2 a FOLDER that could not be searched (after what was found) or bad
// arguments.
int Find(const Request& request);
