# The GUI benchmark: the program's actions in the real main window beside a bare list view and the raw
# file and folder operations, timed under Wine by scripts/bench.
add_executable(gui_bench ${CMAKE_SOURCE_DIR}/bench/gui_bench.cpp ${CMAKE_SOURCE_DIR}/resources/quillmark.rc)
target_include_directories(gui_bench PRIVATE ${CMAKE_SOURCE_DIR}/resources)
target_link_libraries(gui_bench PRIVATE quillmark_app)
target_link_options(gui_bench PRIVATE ${STATIC_FLAGS})
