# The test kit. Every test runs through cmake/run-isolated.sh, which gives it a fresh
# HOME, XDG folders, XDG_RUNTIME_DIR (0700) and TMPDIR, and the offscreen platform,
# so no test touches the real home or reaches a running instance of the program.

set(HALVORA_ISOLATED_RUN "${CMAKE_SOURCE_DIR}/cmake/run-isolated.sh")
set(HALVORA_ASAN_OPTIONS "detect_leaks=0:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=0")
set(HALVORA_TEST_ENVIRONMENT
    "ASAN_OPTIONS=${HALVORA_ASAN_OPTIONS}"
    "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
    "QT_LOGGING_RULES=qt.qpa.*=false"
    "HALVORA_SOURCE_DIR=${CMAKE_SOURCE_DIR}"
    "HALVORA_BINARY_DIR=${CMAKE_BINARY_DIR}"
    "HALVORA_LOOPBACK_ONLY=1")

# QTEST_MAIN compiles QtTest's build folder into the test (for QFINDTESTDATA, which the
# tests do not use: they take HALVORA_TEST_DATA_DIR). Left at the default, every test's
# main would differ between clones and miss the compiler cache.
function(_halvora_clone_independent_test_main target)
    set_target_properties(${target} PROPERTIES QT_TESTCASE_BUILDDIR ".")
endfunction()

# halvora_add_test(<name> SOURCES <files...> [LIBRARIES <targets...>]
#                  [TIMEOUT <seconds>] [RESOURCE_LOCK <names...>] [LABELS <labels...>]
#                  [ENVIRONMENT <VAR=value...>] [ARGS <arguments...>])
# A QtTest executable registered with ctest under the isolated environment. It links
# the shared test kit of tests/support.
function(halvora_add_test name)
    cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBRARIES;RESOURCE_LOCK;LABELS;ENVIRONMENT;ARGS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test halvora_test_support ${T_LIBRARIES})
    target_compile_definitions(${name} PRIVATE
        HALVORA_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
        HALVORA_BINARY_DIR="${CMAKE_BINARY_DIR}"
        HALVORA_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}/data")
    halvora_configure_target(${name})
    _halvora_clone_independent_test_main(${name})
    add_test(NAME ${name} COMMAND ${HALVORA_ISOLATED_RUN} $<TARGET_FILE:${name}> ${T_ARGS})
    halvora_set_test_properties(${name})
endfunction()

# halvora_add_qml_test(<name> DIRECTORY <folder of tst_*.qml> [LIBRARIES <targets...>]
#                      [SETUP_SOURCES <files...>] [TIMEOUT ...] [RESOURCE_LOCK ...]
#                      [XCB] [ENVIRONMENT ...])
# A QtQuickTest runner for the tst_*.qml files of a folder. The engine imports the
# project's QML modules from the build's qml folder and from qrc:/qt/qml. Give
# SETUP_SOURCES to replace the default runner with one that prepares the engine
# (context properties, registered types). XCB runs it under Xvfb instead of offscreen,
# for tests that need real rendering.
function(halvora_add_qml_test name)
    cmake_parse_arguments(T "XCB" "TIMEOUT;DIRECTORY" "LIBRARIES;SETUP_SOURCES;RESOURCE_LOCK;LABELS;ENVIRONMENT" ${ARGN})
    if(T_SETUP_SOURCES)
        add_executable(${name} ${T_SETUP_SOURCES})
    else()
        add_executable(${name} ${CMAKE_SOURCE_DIR}/tests/support/QmlTestMain.cpp)
    endif()
    get_filename_component(source_dir "${T_DIRECTORY}" ABSOLUTE)
    target_link_libraries(${name} PRIVATE Qt6::QuickTest Qt6::Qml Qt6::Quick ${T_LIBRARIES})
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
    target_compile_definitions(${name} PRIVATE
        QUICK_TEST_SOURCE_DIR="${source_dir}"
        HALVORA_QML_IMPORT_DIR="${CMAKE_BINARY_DIR}/qml"
        HALVORA_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
    halvora_configure_target(${name})
    _halvora_clone_independent_test_main(${name})
    if(T_XCB)
        # libxkbcommon-x11 hands strndup X atom names that are not terminated within
        # the bytes it allocated; ASan's strndup check reports that on every start.
        list(APPEND T_ENVIRONMENT "HALVORA_TEST_DISPLAY=xvfb" "ASAN_OPTIONS=${HALVORA_ASAN_OPTIONS}:intercept_strndup=0")
    endif()
    add_test(NAME ${name} COMMAND ${HALVORA_ISOLATED_RUN} $<TARGET_FILE:${name}> -input ${source_dir})
    halvora_set_test_properties(${name})
endfunction()

function(halvora_set_test_properties name)
    set(timeout 300)
    if(T_TIMEOUT)
        set(timeout ${T_TIMEOUT})
    endif()
    set_tests_properties(${name} PROPERTIES
        TIMEOUT ${timeout}
        ENVIRONMENT "${HALVORA_TEST_ENVIRONMENT};${T_ENVIRONMENT}")
    if(T_RESOURCE_LOCK)
        set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "${T_RESOURCE_LOCK}")
    endif()
    if(T_LABELS)
        set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
    endif()
endfunction()

# Fuzz harnesses. They build with clang's libFuzzer only: a tree configured with
# HALVORA_FUZZ (scripts/fuzz makes one) builds them into its fuzz/ folder. Every other
# tree registers, for each harness, a ctest test labelled "fuzz" that runs it for
# HALVORA_FUZZ_SECONDS through scripts/fuzz, in a clang tree below this one.
option(HALVORA_FUZZ "Build the libFuzzer harnesses (needs clang)" OFF)
# The suite runs each harness briefly, as a smoke check; scripts/fuzz runs them long.
set(HALVORA_FUZZ_SECONDS 3 CACHE STRING "Seconds that the fuzz tests run each harness")
if(HALVORA_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "HALVORA_FUZZ needs clang (CC=clang CXX=clang++)")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link)
    add_custom_target(halvora_fuzzers)
endif()

# halvora_add_fuzzer(<name> SOURCES <files...> [LIBRARIES <targets...>] [SEEDS <folder>])
# A libFuzzer harness; SEEDS is a folder of inputs it starts from.
function(halvora_add_fuzzer name)
    cmake_parse_arguments(F "" "SEEDS" "SOURCES;LIBRARIES" ${ARGN})
    if(HALVORA_FUZZ)
        add_executable(${name} ${F_SOURCES})
        target_link_libraries(${name} PRIVATE ${F_LIBRARIES})
        target_link_options(${name} PRIVATE -fsanitize=fuzzer)
        halvora_configure_target(${name})
        set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
        add_dependencies(halvora_fuzzers ${name})
        if(F_SEEDS)
            get_filename_component(seeds "${F_SEEDS}" ABSOLUTE)
            file(WRITE ${CMAKE_BINARY_DIR}/fuzz/${name}.seeds "${seeds}\n")
        endif()
    else()
        add_test(NAME ${name} COMMAND ${CMAKE_SOURCE_DIR}/scripts/fuzz
                 --build-dir ${CMAKE_BINARY_DIR}/fuzz-tree --time ${HALVORA_FUZZ_SECONDS} ${name})
        math(EXPR timeout "${HALVORA_FUZZ_SECONDS} + 1200")
        set_tests_properties(${name} PROPERTIES LABELS fuzz RESOURCE_LOCK halvora_fuzz_tree TIMEOUT ${timeout})
    endif()
endfunction()

# Benchmarks: Google Benchmark programs, built with everything else but never run by
# ctest. scripts/benchmark builds them in a Release tree and runs them all.
find_package(benchmark QUIET)
add_custom_target(halvora_benchmarks)

# halvora_add_benchmark(<name> SOURCES <files...> [LIBRARIES <targets...>])
function(halvora_add_benchmark name)
    cmake_parse_arguments(B "" "" "SOURCES;LIBRARIES" ${ARGN})
    if(NOT benchmark_FOUND)
        message(STATUS "Google Benchmark not found: ${name} is not built")
        return()
    endif()
    add_executable(${name} ${B_SOURCES})
    target_link_libraries(${name} PRIVATE benchmark::benchmark ${B_LIBRARIES})
    halvora_configure_target(${name})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/benchmarks)
    add_dependencies(halvora_benchmarks ${name})
endfunction()
