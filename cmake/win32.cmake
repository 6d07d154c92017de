# Cross build: the Win32 program and its tests under Wine.
enable_language(RC)
enable_language(C)

set(WIN32_LIBS comctl32 comdlg32 shell32 gdi32 user32 kernel32 uuid)
set(STATIC_FLAGS -static -static-libgcc -static-libstdc++)

add_library(quillmark_app STATIC
    app/about_box.cpp
    app/commands.cpp
    app/file_dialogs.cpp
    app/geometry.cpp
    app/main_window.cpp
    app/messages.cpp
    app/seams.cpp
    store/file_list_view.cpp
    store/folder_listing.cpp
    store/new_file.cpp
    descfile/load.cpp
    descfile/open.cpp
    descfile/refresh.cpp
    descfile/save.cpp
    actions/delete_file.cpp
    actions/description_dialog.cpp
    actions/file_list_menu.cpp
    actions/open_entry_win.cpp)
target_link_libraries(quillmark_app PUBLIC quillmark_core ${WIN32_LIBS})
target_compile_options(quillmark_app PRIVATE -Wall -Wextra)
target_compile_definitions(quillmark_app PUBLIC _WIN32_WINNT=0x0601 WINVER=0x0601)

set(RESOURCES ${CMAKE_SOURCE_DIR}/resources/quillmark.rc)
set_source_files_properties(${RESOURCES} PROPERTIES
    OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/resources/quillmark.ico;${CMAKE_SOURCE_DIR}/resources/quillmark.manifest;${CMAKE_SOURCE_DIR}/resources/resource_ids.h;${CMAKE_SOURCE_DIR}/resources/version.h")

add_executable(quillmark WIN32 app/main.cpp ${RESOURCES})
target_include_directories(quillmark PRIVATE ${CMAKE_SOURCE_DIR}/resources)
target_link_libraries(quillmark PRIVATE quillmark_app)
# No time stamp in the PE header, so that the same source links to the same bytes.
target_link_options(quillmark PRIVATE ${STATIC_FLAGS} -Wl,--no-insert-timestamp $<$<NOT:$<CONFIG:Debug>>:-s>)

# qmdesc.exe: a console program, linked like the window program.
target_link_libraries(qmdesc_lib PUBLIC shell32)
target_link_options(qmdesc PRIVATE ${STATIC_FLAGS} -Wl,--no-insert-timestamp $<$<NOT:$<CONFIG:Debug>>:-s>)

# qmdescw.exe: qmdesc watch started without a console window (at sign-in, from the Start menu), its lines
# in a log; and the installer's PATH edit.
add_executable(qmdescw WIN32 qmdesc/main_windowless.cpp qmdesc/watch_starter_win.cpp qmdesc/search_path_win.cpp)
target_link_libraries(qmdescw PRIVATE qmdesc_lib user32 advapi32)
target_compile_options(qmdescw PRIVATE -Wall -Wextra)
target_link_options(qmdescw PRIVATE ${STATIC_FLAGS} -Wl,--no-insert-timestamp $<$<NOT:$<CONFIG:Debug>>:-s>)

# GoogleTest built from its source (libgtest-dev installs it in /usr/src/googletest).
set(GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest's source folder, built for the cross build")
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

add_executable(gui_tests
    tests/gui/gui_harness.cpp
    tests/gui/gui_main.cpp
    tests/gui/main_window_test.cpp
    tests/gui/description_file_test.cpp
    tests/gui/file_actions_test.cpp
    tests/gui/scale_test.cpp
    tests/gui/qmdesc_code_page_test.cpp
    tests/hostile_input_test.cpp
    ${TEST_FOLDER_SOURCES}
    ${RESOURCES})
target_include_directories(gui_tests PRIVATE ${CMAKE_SOURCE_DIR}/resources)
target_link_libraries(gui_tests PRIVATE quillmark_app qmdesc_lib gtest)
target_link_options(gui_tests PRIVATE ${STATIC_FLAGS})

# The list-filling benchmark, run under Wine by scripts/bench.
if(QUILLMARK_BENCH)
    include(bench/win32.cmake)
endif()

# The main window with a sample folder opened, for screenshots (scripts/screenshot).
add_executable(showcase scripts/showcase.cpp ${RESOURCES})
target_include_directories(showcase PRIVATE ${CMAKE_SOURCE_DIR}/resources)
target_link_libraries(showcase PRIVATE quillmark_app)
target_link_options(showcase PRIVATE ${STATIC_FLAGS})
