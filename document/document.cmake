# The document's text, without Qt (the command-line converter needs no more).
add_library(zv_document_lines STATIC
    ${CMAKE_CURRENT_LIST_DIR}/document_lines.cpp
    ${CMAKE_CURRENT_LIST_DIR}/document_lines.h
)
target_include_directories(zv_document_lines PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(zv_document_lines PRIVATE zv_engine zv_config zv_warnings)

# The writer of unitext.html: Qt Core.
add_library(zv_document STATIC
    ${CMAKE_CURRENT_LIST_DIR}/unicode_document.cpp
    ${CMAKE_CURRENT_LIST_DIR}/unicode_document.h
)
target_include_directories(zv_document PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(zv_document PUBLIC zv_document_lines Qt6::Core PRIVATE zv_atomic_file zv_warnings)
