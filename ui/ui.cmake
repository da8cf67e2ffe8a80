# The desktop program's windows: definitions, the main window, the secondary windows.
# Each folder is one library; the executable (app/gui.cmake) only starts them.

set(ZV_UI_QT Qt6::Core Qt6::Gui Qt6::Widgets Qt6::WebEngineWidgets)

add_library(zv_ui_definitions STATIC
    ${CMAKE_CURRENT_LIST_DIR}/definitions/twips.cpp
    ${CMAKE_CURRENT_LIST_DIR}/definitions/message_box.cpp
    ${CMAKE_CURRENT_LIST_DIR}/definitions/handlers.cpp
    ${CMAKE_CURRENT_LIST_DIR}/definitions/browser_view.h
    ${CMAKE_CURRENT_LIST_DIR}/definitions/browser_view.cpp
    ${CMAKE_CURRENT_LIST_DIR}/definitions/window.h
    ${CMAKE_CURRENT_LIST_DIR}/definitions/window.cpp
    ${CMAKE_CURRENT_LIST_DIR}/definitions/forms.cpp
    ${CMAKE_CURRENT_LIST_DIR}/definitions/form1_definition.h
    ${CMAKE_CURRENT_LIST_DIR}/definitions/form1_definition.cpp
    ${CMAKE_CURRENT_LIST_DIR}/definitions/form2_definition.h
    ${CMAKE_CURRENT_LIST_DIR}/definitions/form2_definition.cpp
    ${CMAKE_CURRENT_LIST_DIR}/definitions/form3_definition.h
    ${CMAKE_CURRENT_LIST_DIR}/definitions/form3_definition.cpp
    ${CMAKE_CURRENT_LIST_DIR}/definitions/text_box.h
    ${CMAKE_CURRENT_LIST_DIR}/definitions/text_box.cpp
    ${CMAKE_CURRENT_LIST_DIR}/definitions/unicode_text_box.h
    ${CMAKE_CURRENT_LIST_DIR}/definitions/form4_definition.h
    ${CMAKE_CURRENT_LIST_DIR}/definitions/form4_definition.cpp
)
target_include_directories(zv_ui_definitions PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(zv_ui_definitions PUBLIC ${ZV_UI_QT} zv_resources PRIVATE zv_config zv_warnings)

add_library(zv_ui_secondary STATIC
    ${CMAKE_CURRENT_LIST_DIR}/secondary/form2.h
    ${CMAKE_CURRENT_LIST_DIR}/secondary/form2.cpp
    ${CMAKE_CURRENT_LIST_DIR}/secondary/form3.h
    ${CMAKE_CURRENT_LIST_DIR}/secondary/form3.cpp
    ${CMAKE_CURRENT_LIST_DIR}/secondary/form4.h
    ${CMAKE_CURRENT_LIST_DIR}/secondary/form4.cpp
)
target_link_libraries(zv_ui_secondary PUBLIC zv_ui_definitions PRIVATE zv_resources zv_warnings)

# The dictionary marks of a text box: the check of the text on a worker thread, underlines,
# hover text and suggestions.
add_library(zv_ui_marks STATIC
    ${CMAKE_CURRENT_LIST_DIR}/marks/spell_marks.h
    ${CMAKE_CURRENT_LIST_DIR}/marks/spell_marks.cpp
)
target_link_libraries(zv_ui_marks PUBLIC zv_ui_definitions PRIVATE zv_checker zv_warnings)

add_library(zv_ui_main STATIC
    ${CMAKE_CURRENT_LIST_DIR}/main/form1.h
    ${CMAKE_CURRENT_LIST_DIR}/main/form1.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main/app_forms.h
    ${CMAKE_CURRENT_LIST_DIR}/main/app_forms.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main/online_state.h
    ${CMAKE_CURRENT_LIST_DIR}/main/online_state.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main/application.h
    ${CMAKE_CURRENT_LIST_DIR}/main/application.cpp
)
target_link_libraries(zv_ui_main
    PUBLIC zv_ui_definitions zv_ui_secondary Qt6::Network
    PRIVATE zv_ui_marks zv_engine zv_document zv_resources zv_config zv_warnings)

set_target_properties(zv_ui_definitions zv_ui_secondary zv_ui_marks zv_ui_main
    PROPERTIES AUTOMOC ON)
