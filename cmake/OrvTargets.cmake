# Helpers that keep the per-folder CMakeLists.txt files short.

# orv_add_library(NAME SOURCES ... [LIBS ...]): one static library per src/ folder.
function(orv_add_library name)
    cmake_parse_arguments(arg "" "" "SOURCES;LIBS" ${ARGN})
    add_library(${name} STATIC ${arg_SOURCES})
    target_link_libraries(${name} PUBLIC orv_options ${arg_LIBS})
endfunction()

# orv_add_test(NAME SOURCES ... LIBS ... LABEL unit|integration|gui [GUI] [TIMEOUT s])
# GUI tests get a main that starts the toolkit with a display; the others a console main.
function(orv_add_test name)
    cmake_parse_arguments(arg "GUI" "LABEL;TIMEOUT" "SOURCES;LIBS" ${ARGN})
    if(NOT arg_LABEL MATCHES "^(unit|integration|gui)$")
        message(FATAL_ERROR "orv_add_test(${name}): LABEL must be unit, integration or gui")
    endif()
    if(NOT arg_TIMEOUT)
        set(arg_TIMEOUT 300)
    endif()
    add_executable(${name} ${arg_SOURCES})
    if(arg_GUI OR arg_LABEL STREQUAL "gui")
        target_link_libraries(${name} PRIVATE orv_test_gui_main)
    else()
        target_link_libraries(${name} PRIVATE orv_test_main)
    endif()
    target_link_libraries(${name} PRIVATE ${arg_LIBS})
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES LABELS ${arg_LABEL} TIMEOUT ${arg_TIMEOUT} ENVIRONMENT
        "ORV_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/support/lsan.supp")
endfunction()

# orv_add_bench(NAME SOURCES ... LIBS ...): a Google Benchmark program under bench/.
function(orv_add_bench name)
    cmake_parse_arguments(arg "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${arg_SOURCES})
    target_link_libraries(${name} PRIVATE orv_options benchmark::benchmark ${arg_LIBS})
endfunction()

# orv_add_fuzz(NAME SOURCES ... LIBS ...): a libFuzzer target, built only with ORV_FUZZ.
function(orv_add_fuzz name)
    if(NOT ORV_FUZZ)
        return()
    endif()
    cmake_parse_arguments(arg "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${arg_SOURCES})
    target_link_libraries(${name} PRIVATE orv_options ${arg_LIBS})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
endfunction()
