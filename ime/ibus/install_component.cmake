# Writes the installed component file at install time, so that its paths name the prefix the
# install goes to (cmake --install --prefix PREFIX), without DESTDIR. Set by the caller:
# ZV_COMPONENT_TEMPLATE, ZV_LIBEXECDIR, ZV_DATADIR (relative to the prefix, or absolute).
foreach(dir ZV_LIBEXECDIR ZV_DATADIR)
    if(NOT IS_ABSOLUTE "${${dir}}")
        set(${dir} "${CMAKE_INSTALL_PREFIX}/${${dir}}")
    endif()
endforeach()
set(ZV_IME_EXEC "${ZV_LIBEXECDIR}/ibus-engine-zv")
set(ZV_IME_ICON "${ZV_DATADIR}/ibus-zv/zv.svg")
set(component "$ENV{DESTDIR}${ZV_DATADIR}/ibus/component/zv.xml")
message(STATUS "Installing: ${component}")
configure_file("${ZV_COMPONENT_TEMPLATE}" "${component}" @ONLY)
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${component}")
