# Built-in texts and pictures of the desktop program, compiled in with the Qt resource system.
find_package(Qt6 6.4 REQUIRED COMPONENTS Gui)

add_library(zv_resources STATIC
    resources.cpp
    resources.h
    zv_resources.qrc
)
set_target_properties(zv_resources PROPERTIES AUTORCC ON)
target_include_directories(zv_resources PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(zv_resources
    PUBLIC Qt6::Core Qt6::Gui
    PRIVATE zv_config zv_warnings
)

# Pictures for the desktop integration (hicolor icon theme), made by tools/make_icons.py.
set(ZV_ICON_DIR ${CMAKE_CURRENT_SOURCE_DIR}/images
    CACHE INTERNAL "Folder of the application icon images")
