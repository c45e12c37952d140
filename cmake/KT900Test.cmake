# kt900_add_test(NAME <name> SOURCES <files...> LIBS <targets...>
#                [LABELS <labels...>] [GUI] [SIM] [TIMEOUT <seconds>])
#
# GUI tests run on the offscreen platform. SIM tests talk to the virtual unit
# through the real libusb code path and run under the umockdev preload; without
# umockdev they are not built at all and a warning says so at configure time.
#
# The label "fast" marks the tests that need no virtual unit: `ctest -L fast`
# runs them alone. A SIM test cannot carry it.
function(kt900_add_test)
    cmake_parse_arguments(T "GUI;SIM" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    if(T_SIM AND "fast" IN_LIST T_LABELS)
        message(FATAL_ERROR "test ${T_NAME} runs against the virtual unit and cannot be labelled fast")
    endif()
    if(T_SIM AND NOT UMOCKDEV_FOUND)
        message(WARNING "umockdev not found: test ${T_NAME} against the virtual unit is SKIPPED")
        return()
    endif()
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE Qt5::Test ${T_LIBS})
    set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    set(env "QT_QPA_PLATFORM=offscreen"
            "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp"
            "TSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/tsan.supp"
            "UBSAN_OPTIONS=print_stacktrace=1")
    if(T_SIM)
        list(APPEND env "LD_PRELOAD=libumockdev-preload.so.0")
        # The sanitizer runtimes want to be first in the library list; the
        # preload comes first here on purpose.
        list(APPEND env "ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=0")
        list(APPEND T_LABELS sim)
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${env}" TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}")
endfunction()
