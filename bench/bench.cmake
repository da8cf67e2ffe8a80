add_library(zv_corpus STATIC corpus.cpp)
target_include_directories(zv_corpus PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(zv_corpus PRIVATE zv_warnings)

add_executable(zv-make-corpus make_corpus.cpp)
target_link_libraries(zv-make-corpus PRIVATE zv_corpus zv_warnings)

if(NOT ZV_BUILD_BENCH)
    return()
endif()
find_package(benchmark REQUIRED)

add_executable(zv-bench bench_transliterate.cpp)
target_link_libraries(zv-bench PRIVATE zv_engine zv_reference zv_corpus zv_warnings benchmark::benchmark)

add_executable(zv-sed-rules sed_rules.cpp)
target_link_libraries(zv-sed-rules PRIVATE zv_engine zv_warnings)

# The main window with 2 MB pasted as one line and in lines: paste, ten keys and F5.
if(ZV_BUILD_GUI)
    find_package(Qt6 REQUIRED COMPONENTS Test)
    add_executable(zv-bench-long-line long_line.cpp)
    target_link_libraries(zv-bench-long-line PRIVATE zv_ui_main zv_ui_definitions zv_corpus
        Qt6::Test zv_warnings)
    # The dictionary marks after a 10 MB paste: time until they show, longest stall meanwhile.
    add_executable(zv-bench-marks marks.cpp)
    target_link_libraries(zv-bench-marks PRIVATE zv_ui_main zv_ui_marks zv_ui_definitions zv_corpus
        Qt6::Test zv_warnings)
endif()
