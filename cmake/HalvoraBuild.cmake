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
    # Paths relative to the clone, and the build folder not hashed (a debug build would
    # hash it), so that a clone in any folder hits what another one compiled; the
    # sloppiness lets precompiled headers, and the files of a fresh clone, be cached.
    # Every build of the tree gets it, whichever script configures it.
    set(HALVORA_CCACHE_LAUNCHER env "CCACHE_BASEDIR=${CMAKE_SOURCE_DIR}" CCACHE_NOHASHDIR=1
        CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime "${HALVORA_CCACHE}")
    set(CMAKE_CXX_COMPILER_LAUNCHER ${HALVORA_CCACHE_LAUNCHER})
    set(CMAKE_C_COMPILER_LAUNCHER ${HALVORA_CCACHE_LAUNCHER})
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

# A faster linker where the toolchain has one: most of the build's link steps are test
# programs, and GNU ld spends seconds on each one's debug information.
include(CheckLinkerFlag)
check_linker_flag(CXX -fuse-ld=lld HALVORA_HAVE_LLD)
if(HALVORA_HAVE_LLD)
    add_link_options(-fuse-ld=lld)
endif()

# Precompiled Qt headers, made once and reused by every project target, so that the Qt
# headers are not parsed again for each source file (Qt compiles all its users with
# -fPIC, so one precompiled form fits libraries and programs alike). The headers are
# named with their module folder: a target that cannot use the precompiled form reads
# them as text and still finds them. GCC only, and off unless asked for: GCC writes a
# different precompiled file in every build, so every source that uses it would miss
# the compiler cache in another clone, and a clean clone would compile everything again.
option(HALVORA_PRECOMPILED_HEADERS "Precompile the Qt headers that most sources use" OFF)
if(HALVORA_PRECOMPILED_HEADERS AND NOT CMAKE_COMPILER_IS_GNUCXX)
    set(HALVORA_PRECOMPILED_HEADERS OFF)
endif()
set(HALVORA_PRECOMPILED_QT_HEADERS
    QtCore/QByteArray QtCore/QCoreApplication QtCore/QDateTime QtCore/QDebug
    QtCore/QDir QtCore/QElapsedTimer QtCore/QFile QtCore/QFileInfo
    QtCore/QFuture QtCore/QHash QtCore/QJsonArray QtCore/QJsonDocument
    QtCore/QJsonObject QtCore/QList QtCore/QLoggingCategory QtCore/QMap
    QtCore/QObject QtCore/QPointer QtCore/QProcess QtCore/QRegularExpression
    QtCore/QStandardPaths QtCore/QString QtCore/QStringList QtCore/QTimer
    QtCore/QUrl QtCore/QVariant QtCore/QtEndian QtQml/QQmlEngine QtQml/qqml.h)

if(HALVORA_PRECOMPILED_HEADERS)
    # The compiler cache needs the precompiled header named in the preprocessed source.
    target_compile_options(halvora_compile_options INTERFACE -fpch-preprocess)
endif()

function(_halvora_use_precompiled_headers target)
    get_target_property(type ${target} TYPE)
    if(NOT type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY)$")
        return()
    endif()
    set(shared halvora_precompiled_qt)
    if(NOT TARGET ${shared})
        add_library(${shared} OBJECT "${CMAKE_SOURCE_DIR}/cmake/PrecompiledQt.cpp")
        # Every user links Qt Core; the QML headers come by their module folder
        # alone, since GCC refuses the header to a target that lacks any macro it
        # was made with (QT_QML_LIB and the like).
        target_link_libraries(${shared} PRIVATE Qt6::Core halvora_compile_options)
        foreach(header IN LISTS HALVORA_PRECOMPILED_QT_HEADERS)
            # C++ only: a C source of the target must not see them.
            target_precompile_headers(${shared} PRIVATE "$<$<COMPILE_LANGUAGE:CXX>:<${header}>>")
        endforeach()
    endif()
    target_precompile_headers(${target} REUSE_FROM ${shared})
endfunction()

# halvora_configure_target(<target>): the options every project target gets.
function(halvora_configure_target target)
    target_link_libraries(${target} PRIVATE halvora_compile_options)
    if(HALVORA_PRECOMPILED_HEADERS)
        _halvora_use_precompiled_headers(${target})
    endif()
    # The C++ that qmlcachegen writes for a QML module's files is not ours to mend.
    get_target_property(sources ${target} SOURCES)
    list(FILTER sources INCLUDE REGEX "/\\.rcc/qmlcache/")
    if(sources)
        set_source_files_properties(${sources} TARGET_DIRECTORY ${target} PROPERTIES COMPILE_OPTIONS -w)
    endif()
endfunction()
