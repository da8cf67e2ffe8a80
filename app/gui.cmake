# The desktop program: build/app/zv.
add_executable(zv ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(zv PRIVATE zv_ui_main zv_ui_definitions zv_resources zv_platform zv_config
    zv_warnings)
set_target_properties(zv PROPERTIES OUTPUT_NAME zv RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
