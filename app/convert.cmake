# zv-convert: the command-line converter.
add_executable(zv-convert
    ${CMAKE_CURRENT_LIST_DIR}/zv_convert.cpp
    ${CMAKE_CURRENT_LIST_DIR}/convert_text.cpp
    ${CMAKE_CURRENT_LIST_DIR}/convert_text.h
    ${CMAKE_CURRENT_LIST_DIR}/letter_table.cpp
    ${CMAKE_CURRENT_LIST_DIR}/letter_table.h
    ${CMAKE_CURRENT_LIST_DIR}/chunk_pipeline.cpp
    ${CMAKE_CURRENT_LIST_DIR}/chunk_pipeline.h
    ${CMAKE_CURRENT_LIST_DIR}/check_text.cpp
    ${CMAKE_CURRENT_LIST_DIR}/check_text.h
)
target_include_directories(zv-convert PRIVATE ${PROJECT_SOURCE_DIR})
find_package(Threads REQUIRED)
target_link_libraries(zv-convert PRIVATE zv_engine zv_checker zv_document_lines zv_atomic_file zv_config zv_warnings Threads::Threads)
# A batch tool is started often and its conversions are short: with its own copy of the C++
# runtime it starts in about half the time, which is spent resolving the runtime's symbols.
target_link_options(zv-convert PRIVATE -static-libstdc++ -static-libgcc)
