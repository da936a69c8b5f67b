# vidsora_use_checker(<target>)
# The target reads the path of the product-code checker's library, built before it, from CODEVET_LIBRARY_PATH: it
# registers that library as the program's set-up does.
function(vidsora_use_checker target)
    target_compile_definitions(${target} PRIVATE CODEVET_LIBRARY_PATH="$<TARGET_FILE:codevet>")
    add_dependencies(${target} codevet)
endfunction()

# vidsora_add_test(<name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>] [TIMEOUT <s>] [SYNCED] [CHECKER])
# Builds one QtTest program and registers it with CTest, headless. The file writer skips its syncs in tests
# (testsupport/QuickSyncs.cpp); SYNCED keeps them, for the tests of what survives a crash. CHECKER: the test uses
# the product-code checker (vidsora_use_checker).
#
# A test that links no window library gets the label "windowfree": under the sanitizers it runs with leak detection
# on, with only the suppressions in cmake/lsan.supp (the Qt and system libraries' own). Window tests keep it off: the
# window system and font libraries keep caches to the end of the process.
set(VIDSORA_WINDOW_LIBS vidsorawidgets vidbrowser vidpeekgui Qt6::Widgets Qt6::Gui Qt6::PrintSupport)
function(vidsora_add_test name)
    cmake_parse_arguments(T "SYNCED;CHECKER" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test ${T_LIBS})
    if(T_CHECKER)
        vidsora_use_checker(${name})
    endif()
    if(NOT T_SYNCED)
        target_link_libraries(${name} PRIVATE vidsoraquicksyncs)
    endif()
    add_test(NAME ${name} COMMAND ${name})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    set(labels ${T_LABELS})
    set(leaks "ASAN_OPTIONS=detect_leaks=0")
    set(windowed OFF)
    foreach(lib ${T_LIBS})
        if(lib IN_LIST VIDSORA_WINDOW_LIBS)
            set(windowed ON)
        endif()
    endforeach()
    if(NOT windowed)
        list(APPEND labels windowfree)
        set(leaks "ASAN_OPTIONS=detect_leaks=1;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/cmake/lsan.supp")
    endif()
    set_tests_properties(${name} PROPERTIES
        TIMEOUT ${T_TIMEOUT}
        LABELS "${labels}"
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QTWEBENGINE_DISABLE_SANDBOX=1;QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu;${leaks}")
endfunction()
