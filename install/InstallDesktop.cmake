# Install-time part of the desktop integration, run by cmake --install after the files are in place. It knows the
# final prefix (which may be given only now, with --prefix), so it writes what names it:
#   bin/vidsora, bin/vidpeek      links to the programs in the program folder, which stay beside their libraries
#   share/applications/*.desktop  the launchers, starting the programs by their full path
# and refreshes the desktop's caches of that prefix when their tools are there (never for a staged DESTDIR install;
# a missing tool is no failure). Set before it is included: VIDSORA_PROGDIR, VIDSORA_DESKTOP_SOURCES.

set(_root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")

if(IS_ABSOLUTE "${VIDSORA_PROGDIR}")
    set(_progdir "${VIDSORA_PROGDIR}")
else()
    set(_progdir "${CMAKE_INSTALL_PREFIX}/${VIDSORA_PROGDIR}")
endif()

# The links in bin are relative when the program folder is under the prefix, so a moved prefix keeps working.
file(MAKE_DIRECTORY "${_root}/bin")
foreach(_program vidsora vidpeek)
    file(RELATIVE_PATH _target "${CMAKE_INSTALL_PREFIX}/bin" "${_progdir}/${_program}")
    if(_target MATCHES "^\\.\\./\\.\\./")
        set(_target "${_progdir}/${_program}")
    endif()
    message(STATUS "Installing: ${_root}/bin/${_program} -> ${_target}")
    file(REMOVE "${_root}/bin/${_program}")
    file(CREATE_LINK "${_target}" "${_root}/bin/${_program}" SYMBOLIC)
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${_root}/bin/${_program}")
endforeach()

# A desktop entry's Exec program, quoted and escaped as desktop entries want it when the path needs it.
function(_vidsora_exec path out)
    string(REPLACE "%" "%%" path "${path}")
    if(path MATCHES "[ \t\n\"'\\\\><~|&;$*?#()`]")
        string(REPLACE "\\" "\\\\" path "${path}")
        string(REPLACE "\"" "\\\"" path "${path}")
        string(REPLACE "`" "\\`" path "${path}")
        string(REPLACE "$" "\\$" path "${path}")
        set(path "\"${path}\"")
        # The value itself is a string, whose backslashes are escaped once more.
        string(REPLACE "\\" "\\\\" path "${path}")
    endif()
    set(${out} "${path}" PARENT_SCOPE)
endfunction()
_vidsora_exec("${CMAKE_INSTALL_PREFIX}/bin/vidsora" VIDSORA_EXEC)
_vidsora_exec("${CMAKE_INSTALL_PREFIX}/bin/vidpeek" VIDPEEK_EXEC)

file(MAKE_DIRECTORY "${_root}/share/applications")
foreach(_source ${VIDSORA_DESKTOP_SOURCES})
    get_filename_component(_name "${_source}" NAME_WLE)
    set(_entry "${_root}/share/applications/${_name}")
    message(STATUS "Installing: ${_entry}")
    configure_file("${_source}" "${_entry}" @ONLY)
    file(CHMOD "${_entry}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${_entry}")
endforeach()

if("$ENV{DESTDIR}" STREQUAL "")
    find_program(_update_mime update-mime-database)
    if(_update_mime)
        execute_process(COMMAND "${_update_mime}" "${_root}/share/mime" RESULT_VARIABLE _result OUTPUT_QUIET
                        ERROR_QUIET)
        message(STATUS "Updated the file types of ${_root}/share/mime (${_result})")
    endif()
    find_program(_update_desktop update-desktop-database)
    if(_update_desktop)
        execute_process(COMMAND "${_update_desktop}" -q "${_root}/share/applications" RESULT_VARIABLE _result
                        OUTPUT_QUIET ERROR_QUIET)
        message(STATUS "Updated the launchers of ${_root}/share/applications (${_result})")
    endif()
    # An icon cache that exists must not go stale; none is made where there was none.
    find_program(_update_icons gtk-update-icon-cache)
    if(_update_icons AND EXISTS "${_root}/share/icons/hicolor/icon-theme.cache")
        execute_process(COMMAND "${_update_icons}" -q -t "${_root}/share/icons/hicolor" OUTPUT_QUIET ERROR_QUIET)
    endif()
endif()
