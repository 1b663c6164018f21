# The program's version record, generated at configure time. It stands in for the
# version resource that a Windows build carries: the product strings, the file
# version, the git hashes and the fixed 52-byte version block.

set(HALVORA_PRODUCT_NAME "Halvora Lab")
set(HALVORA_FILE_DESCRIPTION "Halvora Lab")
set(HALVORA_COMPANY_NAME "Ostrel")
set(HALVORA_LEGAL_COPYRIGHT "Copyright (C) Ostrel")
set(HALVORA_FILE_VERSION "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")

set(HALVORA_GIT_HASH "")
set(HALVORA_GIT_SHORT_HASH "")
find_package(Git QUIET)
if(GIT_FOUND AND EXISTS "${CMAKE_SOURCE_DIR}/.git")
    execute_process(COMMAND "${GIT_EXECUTABLE}" rev-parse HEAD
        WORKING_DIRECTORY "${CMAKE_SOURCE_DIR}"
        OUTPUT_VARIABLE HALVORA_GIT_HASH OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    execute_process(COMMAND "${GIT_EXECUTABLE}" rev-parse --short HEAD
        WORKING_DIRECTORY "${CMAKE_SOURCE_DIR}"
        OUTPUT_VARIABLE HALVORA_GIT_SHORT_HASH OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()

set(HALVORA_VERSION_MAJOR ${PROJECT_VERSION_MAJOR})
set(HALVORA_VERSION_MINOR ${PROJECT_VERSION_MINOR})
set(HALVORA_VERSION_PATCH ${PROJECT_VERSION_PATCH})
