# Language level, compiler launcher, warnings and sanitizers shared by every target.

set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

if(NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
    set(CMAKE_BUILD_TYPE RelWithDebInfo CACHE STRING "Build type" FORCE)
endif()

find_program(HALVORA_CCACHE ccache)
if(HALVORA_CCACHE)
    set(CMAKE_CXX_COMPILER_LAUNCHER "${HALVORA_CCACHE}")
    set(CMAKE_C_COMPILER_LAUNCHER "${HALVORA_CCACHE}")
endif()

option(HALVORA_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(HALVORA_WERROR "Treat compiler warnings as errors" OFF)

add_library(halvora_compile_options INTERFACE)
target_compile_options(halvora_compile_options INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align
    -Woverloaded-virtual -Wimplicit-fallthrough
    $<$<BOOL:${HALVORA_WERROR}>:-Werror>)
target_compile_definitions(halvora_compile_options INTERFACE
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)

if(HALVORA_SANITIZE)
    # vptr checks misfire across Qt's own uninstrumented libraries.
    set(HALVORA_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize=vptr
        -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    add_compile_options(${HALVORA_SANITIZER_FLAGS})
    add_link_options(-fsanitize=address,undefined)
endif()

# halvora_configure_target(<target>): the options every project target gets.
function(halvora_configure_target target)
    target_link_libraries(${target} PRIVATE halvora_compile_options)
    # The C++ that qmlcachegen writes for a QML module's files is not ours to mend.
    get_target_property(sources ${target} SOURCES)
    list(FILTER sources INCLUDE REGEX "/\\.rcc/qmlcache/")
    if(sources)
        set_source_files_properties(${sources} TARGET_DIRECTORY ${target} PROPERTIES COMPILE_OPTIONS -w)
    endif()
endfunction()
