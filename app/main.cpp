#include <windows.h>

#include "app/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    if (!StartMainWindow(instance, showCommand)) {
        return 0;
    }
    return RunMessageLoop();
}
