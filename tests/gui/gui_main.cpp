// Entry point of the GUI tests: a watchdog ends a run that hangs on an unanswered window, and the run
// closes with a plain "N passed, N failed" line.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/gui/gui_harness.h"

namespace {

DWORD WINAPI Watchdog(LPVOID seconds) {
    Sleep(static_cast<DWORD>(reinterpret_cast<INT_PTR>(seconds)) * 1000);
    std::printf("\nwatchdog: the GUI tests did not finish in time\n0 passed, 1 failed\n");
    std::fflush(stdout);
    ExitProcess(3);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == "--second-instance") {
        return SaveAsSecondInstance(argv[2], argv[3], argv[4]);
    }
    testing::InitGoogleTest(&argc, argv);
    const char* limit = std::getenv("QUILLMARK_GUI_TIMEOUT");
    INT_PTR seconds = limit ? std::atoi(limit) : 300;
    CreateThread(nullptr, 0, Watchdog, reinterpret_cast<LPVOID>(seconds), 0, nullptr);
    int result = RUN_ALL_TESTS();
    const testing::UnitTest& run = *testing::UnitTest::GetInstance();
    std::printf("%d passed, %d failed\n", run.successful_test_count(), run.failed_test_count());
    std::fflush(stdout);
    return result;
}
