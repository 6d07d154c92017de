# Native build: the core's unit tests, benchmarks and fuzzer.
find_package(GTest REQUIRED)
include(GoogleTest)

add_executable(core_tests
    tests/text_helpers_test.cpp
    tests/writer_test.cpp
    tests/reader_test.cpp
    tests/tables_test.cpp
    tests/folder_test.cpp
    tests/hostile_input_test.cpp
    tests/scale_test.cpp
    ${TEST_FOLDER_SOURCES})
target_link_libraries(core_tests PRIVATE quillmark_core GTest::gtest_main)
gtest_discover_tests(core_tests DISCOVERY_TIMEOUT 60)

# qmdesc run as a program, as its users run it.
add_executable(qmdesc_tests tests/qmdesc_test.cpp ${TEST_FOLDER_SOURCES})
target_link_libraries(qmdesc_tests PRIVATE qmdesc_lib GTest::gtest_main)
target_include_directories(qmdesc_tests PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_definitions(qmdesc_tests PRIVATE QMDESC_PROGRAM="$<TARGET_FILE:qmdesc>"
                                                QUILLMARK_README="${CMAKE_SOURCE_DIR}/README.md")
add_dependencies(qmdesc_tests qmdesc)
gtest_discover_tests(qmdesc_tests DISCOVERY_TIMEOUT 60)

# The Win32 program's tests, run under Wine when the cross build made them: one ctest entry per group,
# each a run of the test program limited to that group. They share one Wine prefix, so never in parallel.
if(QUILLMARK_GUI_TESTS)
    set(GUI_GROUPS
        "main_window:StartUp.*:Commands.*:FileListView.*:FileListColours.*:Geometry.*:Sizes/*"
        "description_file:DescriptionFileTest.*"
        "file_actions:FileActionsTest.*"
        "hostile_input:HostileInput.*"
        "scale:Scale.*")
    # Every group above, so that the catch-all group runs what none of them names: a new test suite
    # can never silently not run.
    set(NAMED "")
    foreach(group ${GUI_GROUPS})
        string(REGEX REPLACE "^[a-z_]+:" "" filter "${group}")
        string(APPEND NAMED ":${filter}")
    endforeach()
    string(SUBSTRING "${NAMED}" 1 -1 NAMED)
    list(APPEND GUI_GROUPS "others:-${NAMED}")
    list(LENGTH QUILLMARK_GUI_TESTS programs)
    foreach(exe ${QUILLMARK_GUI_TESTS})
        get_filename_component(dir ${exe} DIRECTORY)
        get_filename_component(arch ${dir} NAME)
        foreach(group ${GUI_GROUPS})
            string(REPLACE ":" ";" parts "${group}")
            list(GET parts 0 name)
            list(REMOVE_AT parts 0)
            string(REPLACE ";" ":" filter "${parts}")
            # The scale tests take most of the time and test the same code on both: x86_64 runs them.
            if(name STREQUAL "scale" AND programs GREATER 1 AND NOT arch STREQUAL "x86_64")
                continue()
            endif()
            add_test(NAME gui_${name}_${arch}
                     COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-run 600 ${exe} --gtest_filter=${filter})
            set_tests_properties(gui_${name}_${arch} PROPERTIES RESOURCE_LOCK wine TIMEOUT 700)
        endforeach()
    endforeach()
endif()

# Where 32-bit Wine cannot run, ctest's own output says that the i686 program was not run, and why.
if(QUILLMARK_NO_WINE32)
    set(skipped "gui_i686 skipped: ${QUILLMARK_NO_WINE32}")
    add_test(NAME "${skipped}" COMMAND sh -c "echo 'not run under Wine: ${QUILLMARK_NO_WINE32}'; exit 77")
    set_tests_properties("${skipped}" PROPERTIES SKIP_RETURN_CODE 77)
endif()

# The set-up's install step, against stand-ins for apt-get and dpkg.
add_test(NAME install_step COMMAND ${CMAKE_SOURCE_DIR}/tests/install_step_test.sh)

# qmdesc watch natively (inotify): its table of renames and moves, a burst, dropped notifications, the stop.
add_test(NAME watch COMMAND ${CMAKE_SOURCE_DIR}/tests/watch_test.sh $<TARGET_FILE:qmdesc>)
set_tests_properties(watch PROPERTIES TIMEOUT 300)

# The program that ships, checked as a file: no Wine needed.
if(QUILLMARK_SHIPPED_EXE)
    add_test(NAME shipped_exe_i686 COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-exe ${QUILLMARK_SHIPPED_EXE})
endif()

# qmdesc.exe under Wine: show and find on a folder whose name the ANSI code page cannot spell, read
# through a pipe.
if(QUILLMARK_QMDESC_EXE)
    add_test(NAME qmdesc_wine COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-qmdesc ${QUILLMARK_QMDESC_EXE})
    set_tests_properties(qmdesc_wine PROPERTIES RESOURCE_LOCK wine TIMEOUT 300)
    # The same table of watch under Wine (ReadDirectoryChangesW).
    add_test(NAME watch_wine COMMAND ${CMAKE_SOURCE_DIR}/tests/watch_test.sh ${QUILLMARK_QMDESC_EXE})
    set_tests_properties(watch_wine PROPERTIES RESOURCE_LOCK wine TIMEOUT 300)
    # qmdescw.exe beside it: the windowless watcher's log, its one instance and --stop, and the PATH edit.
    get_filename_component(qmdesc_dir ${QUILLMARK_QMDESC_EXE} DIRECTORY)
    add_test(NAME qmdescw_wine COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-qmdescw ${qmdesc_dir}/qmdescw.exe)
    set_tests_properties(qmdescw_wine PROPERTIES RESOURCE_LOCK wine TIMEOUT 300)
endif()

# A short run of each fuzzer that scripts/test built (the reader's longest); scripts/fuzz runs them longer.
if(QUILLMARK_FUZZERS)
    foreach(run description_fuzzer:30 csv_fuzzer:15 descript_ion_fuzzer:15)
        string(REPLACE ":" ";" run "${run}")
        list(GET run 0 fuzzer)
        list(GET run 1 seconds)
        add_test(NAME ${fuzzer}_${seconds}s
                 COMMAND ${CMAKE_SOURCE_DIR}/scripts/fuzz-run ${seconds} ${QUILLMARK_FUZZERS}/${fuzzer})
        set_tests_properties(${fuzzer}_${seconds}s PROPERTIES TIMEOUT 120)
    endforeach()
endif()

# The fuzzer needs clang (scripts/fuzz configures a build with it); the benchmarks need Google Benchmark.
if(QUILLMARK_FUZZ)
    add_subdirectory(fuzz)
endif()
if(QUILLMARK_BENCH)
    add_subdirectory(bench)
endif()

# The release: scripts/check-release builds the zip and the installer (scripts/release), checks them and,
# where 32-bit Wine can run, installs and uninstalls the program in a Wine prefix of its own.
option(QUILLMARK_RELEASE_CHECK "Build and check the release zip and installer" ON)
if(QUILLMARK_RELEASE_CHECK)
    add_test(NAME release COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-release --build)
    set_tests_properties(release PROPERTIES TIMEOUT 300)
endif()
