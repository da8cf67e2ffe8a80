# The writer of unitext.html: Qt Core only.
add_library(zv_document STATIC
    ${CMAKE_CURRENT_LIST_DIR}/unicode_document.cpp
    ${CMAKE_CURRENT_LIST_DIR}/unicode_document.h
)
target_include_directories(zv_document PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(zv_document PUBLIC Qt6::Core PRIVATE zv_config zv_warnings)
