# The list-filling benchmark: the program's file list in the real main window beside a bare list view,
# timed under Wine by scripts/bench.
add_executable(fill_bench ${CMAKE_SOURCE_DIR}/bench/fill_bench.cpp ${CMAKE_SOURCE_DIR}/resources/quillmark.rc)
target_include_directories(fill_bench PRIVATE ${CMAKE_SOURCE_DIR}/resources)
target_link_libraries(fill_bench PRIVATE quillmark_app)
target_link_options(fill_bench PRIVATE ${STATIC_FLAGS})
