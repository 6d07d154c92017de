// The windowless starter of qmdesc watch (qmdescw.exe): one watcher per user session, its lines in a log in
// the user's local application data folder, and the stop and the log view the Start menu offers.
#pragma once

#include <string>
#include <vector>

// Watches the folders (UTF-8; none: the user's Documents, Pictures and Desktop) until stopped, with
// watch's lines appended to the log; a second start in the session only says so in the log. Returns the
// exit code: 0 stopped or already watching, 2 no folder to watch or watch's own failure.
int StartWatcher(const std::vector<std::string>& folders);

// Stops the session's watcher and waits a few seconds for it to end. 0 when none runs any more, 1
// when it is still running.
int StopWatcher();

// Opens the log in Notepad (or in the program Windows opens such files with), made empty when there is
// none yet. 0 when it opened, 2 when it did not, after a message box that says why.
int OpenWatchLog();
