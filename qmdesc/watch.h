// qmdesc watch FOLDER...: keeps each description with its entry when any program renames or moves it
// within or between the watched folders, until stopped.
#pragma once

#include "qmdesc/verbs.h"

// Watches the FOLDERs and every folder below them until Ctrl+C or a stop signal; returns the exit code.
int Watch(const Request& request);
