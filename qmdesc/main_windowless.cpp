// qmdescw: qmdesc watch without a console window, for the sign-in and the Start menu. With folders, or
// none for the user's own, it watches until stopped and writes watch's lines to
// %LOCALAPPDATA%\Quillmark\watch.log; --stop stops it; --log opens that log. The installer also takes
// qmdesc's folder on and off the PATH through it: --add-to-path or --remove-from-path, then user or
// machine, then the folder.
#include "qmdesc/search_path_win.h"
#include "qmdesc/system.h"
#include "qmdesc/watch_starter_win.h"

int main(int argc, char** argv) {
    std::vector<std::string> arguments = ArgumentsInUtf8(argc, argv);
    if (arguments.size() == 1 && arguments[0] == "--stop") {
        return StopWatcher();
    }
    if (arguments.size() == 1 && arguments[0] == "--log") {
        return OpenWatchLog();
    }
    if (arguments.size() == 3 && (arguments[0] == "--add-to-path" || arguments[0] == "--remove-from-path") &&
        (arguments[1] == "user" || arguments[1] == "machine") && !arguments[2].empty()) {
        std::string reason;
        bool machine = arguments[1] == "machine";
        std::wstring folder = WideOfUtf8(arguments[2]);
        bool done = arguments[0] == "--add-to-path" ? AddToSearchPath(folder, machine, reason)
                                                    : RemoveFromSearchPath(folder, machine, reason);
        return done ? 0 : 2;
    }
    return StartWatcher(arguments);
}
