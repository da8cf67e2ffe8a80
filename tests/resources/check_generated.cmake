# Runs the picture generators into WORK_DIR and compares every output with the committed file.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR}/images)

execute_process(
    COMMAND ${PYTHON} ${SOURCE_DIR}/tools/make_offline_picture.py --output ${WORK_DIR}/offline.gif
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "make_offline_picture.py failed: ${result}")
endif()
execute_process(
    COMMAND ${PYTHON} ${SOURCE_DIR}/tools/make_icons.py --output-dir ${WORK_DIR}/images
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "make_icons.py failed: ${result}")
endif()

file(GLOB made RELATIVE ${WORK_DIR} ${WORK_DIR}/offline.gif ${WORK_DIR}/images/*)
list(LENGTH made count)
if(count LESS 6)
    message(FATAL_ERROR "the generators wrote only: ${made}")
endif()
set(stale "")
foreach(file IN LISTS made)
    execute_process(
        COMMAND ${CMAKE_COMMAND} -E compare_files
            ${WORK_DIR}/${file} ${SOURCE_DIR}/resources/${file}
        RESULT_VARIABLE differs)
    if(NOT differs EQUAL 0)
        list(APPEND stale ${file})
    endif()
endforeach()
if(stale)
    message(FATAL_ERROR "committed pictures differ from the generators' output: ${stale}\n"
                        "Run the tools in tools/ and commit the results.")
endif()
message(STATUS "${count} generated pictures match the committed files")
