// qmdesc's commands: show, find and check, with --help and --version.
#pragma once

#include <string>
#include <vector>

// Runs the command the arguments (UTF-8, after the program's name) ask for and returns the exit code:
// 0 done (find: found), 1 nothing found (check: something to report), 2 an error or bad arguments.
int RunQmdesc(const std::vector<std::string>& arguments);
