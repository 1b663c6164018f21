# The fonts of the Branding module: Material Symbols Rounded, Playfair Display,
# Poppins and Raleway, in the order the plugin installs them.
#
# None of them is kept in the source tree. They come from the npm registry's
# @fontsource packages (web fonts of the published families), fetched with the
# machine's npm into a cache outside the source tree and reused by every build,
# and are unpacked there into TrueType files by fontTools (Debian's
# python3-fonttools). A font that cannot be had (no npm, no network, no fontTools)
# is left out with a warning: the program then draws that family in a system font.

set(HALVORA_FONT_CACHE_DIR "" CACHE PATH
    "Where the Branding fonts are downloaded and unpacked (default: the user's cache folder)")

# The package of each family, pinned so that every build gets the same files.
set(_branding_package_Poppins "@fontsource/poppins@5.3.0")
set(_branding_package_Raleway "@fontsource/raleway@5.3.0")
set(_branding_package_PlayfairDisplay "@fontsource/playfair-display@5.3.0")
set(_branding_package_MaterialSymbolsRounded "@fontsource/material-symbols-rounded@5.3.8")
set(_branding_family_PlayfairDisplay "Playfair Display")
set(_branding_family_Poppins "Poppins")
set(_branding_family_Raleway "Raleway")
set(_branding_weight_Thin 100)
set(_branding_weight_ExtraLight 200)
set(_branding_weight_Light 300)
set(_branding_weight_Regular 400)
set(_branding_weight_Medium 500)
set(_branding_weight_SemiBold 600)
set(_branding_weight_Bold 700)
set(_branding_weight_ExtraBold 800)
set(_branding_weight_Black 900)

set(HALVORA_BRANDING_FONTS
    MaterialSymbolsRounded.ttf
    PlayfairDisplay-Italic.ttf PlayfairDisplay-Regular.ttf
    PlayfairDisplay-MediumItalic.ttf PlayfairDisplay-Medium.ttf
    PlayfairDisplay-SemiBoldItalic.ttf PlayfairDisplay-SemiBold.ttf
    PlayfairDisplay-BoldItalic.ttf PlayfairDisplay-Bold.ttf
    PlayfairDisplay-ExtraBoldItalic.ttf PlayfairDisplay-ExtraBold.ttf
    PlayfairDisplay-BlackItalic.ttf PlayfairDisplay-Black.ttf
    Poppins-Black.ttf Poppins-BlackItalic.ttf Poppins-Bold.ttf Poppins-BoldItalic.ttf
    Poppins-ExtraBold.ttf Poppins-ExtraBoldItalic.ttf Poppins-ExtraLight.ttf Poppins-ExtraLightItalic.ttf
    Poppins-Italic.ttf Poppins-Light.ttf Poppins-LightItalic.ttf Poppins-Medium.ttf Poppins-MediumItalic.ttf
    Poppins-Regular.ttf Poppins-SemiBold.ttf Poppins-SemiBoldItalic.ttf Poppins-Thin.ttf Poppins-ThinItalic.ttf
    Raleway-ExtraBoldItalic.ttf Raleway-ExtraLight.ttf Raleway-ExtraLightItalic.ttf Raleway-Italic.ttf
    Raleway-Light.ttf Raleway-LightItalic.ttf Raleway-Medium.ttf Raleway-MediumItalic.ttf Raleway-Regular.ttf
    Raleway-SemiBold.ttf Raleway-SemiBoldItalic.ttf Raleway-Thin.ttf Raleway-ThinItalic.ttf Raleway-Black.ttf
    Raleway-BlackItalic.ttf Raleway-Bold.ttf Raleway-BoldItalic.ttf Raleway-ExtraBold.ttf)

function(_branding_default_cache_dir out)
    if(HALVORA_FONT_CACHE_DIR)
        set(dir "${HALVORA_FONT_CACHE_DIR}")
    elseif(DEFINED ENV{XDG_CACHE_HOME} AND NOT "$ENV{XDG_CACHE_HOME}" STREQUAL "")
        set(dir "$ENV{XDG_CACHE_HOME}/halvora-lab/fonts")
    elseif(DEFINED ENV{HOME} AND NOT "$ENV{HOME}" STREQUAL "")
        set(dir "$ENV{HOME}/.cache/halvora-lab/fonts")
    else()
        set(dir "${CMAKE_BINARY_DIR}/font-cache")
    endif()
    set(${out} "${dir}" PARENT_SCOPE)
endfunction()

# The folder holding the unpacked npm package package_name ("@scope/name@version"),
# fetched on first use; empty when it cannot be had.
function(_branding_package_dir cache package_name out)
    set(${out} "" PARENT_SCOPE)
    string(REGEX REPLACE "^@" "" flat "${package_name}")
    string(REGEX REPLACE "[/@]" "-" flat "${flat}")
    set(dir "${cache}/packages/${flat}")
    if(EXISTS "${dir}/package/package.json")
        set(${out} "${dir}" PARENT_SCOPE)
        return()
    endif()
    if(NOT HALVORA_NPM)
        message(WARNING "npm was not found, so the font package ${package_name} cannot be fetched; "
                        "the program will draw its family in a system font.")
        return()
    endif()
    # Once the registry could not be reached, the other packages are not tried:
    # an offline configure should not wait for every one of them.
    get_property(registry_failed GLOBAL PROPERTY HALVORA_FONT_REGISTRY_FAILED)
    if(registry_failed)
        message(WARNING "The font package ${package_name} is not fetched either; "
                        "the program will draw its family in a system font.")
        return()
    endif()
    message(STATUS "Fetching the font package ${package_name} with npm (once; it is kept in ${cache})")
    set(download "${cache}/download")
    file(REMOVE_RECURSE "${download}" "${dir}.partial")
    file(MAKE_DIRECTORY "${download}")
    execute_process(
        COMMAND "${HALVORA_NPM}" pack "${package_name}" --pack-destination "${download}"
                --silent --fetch-retries=1 --fetch-timeout=30000
        WORKING_DIRECTORY "${download}"
        RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE errors
        TIMEOUT 180)
    file(GLOB tarballs "${download}/*.tgz")
    if(NOT result EQUAL 0 OR NOT tarballs)
        string(STRIP "${errors}" errors)
        message(WARNING "Could not fetch the font package ${package_name} from the npm registry (${result}: ${errors}); "
                        "the program will draw its family in a system font. Configure again when online.")
        set_property(GLOBAL PROPERTY HALVORA_FONT_REGISTRY_FAILED TRUE)
        return()
    endif()
    file(ARCHIVE_EXTRACT INPUT "${tarballs}" DESTINATION "${dir}.partial"
         PATTERNS "package/package.json" "package/LICENSE" "package/files/*.woff")
    file(RENAME "${dir}.partial" "${dir}")
    file(REMOVE_RECURSE "${download}")
    set(${out} "${dir}" PARENT_SCOPE)
endfunction()

# Fetches and unpacks the fonts; sets out to the TrueType files that are there, in
# installation order.
function(halvora_fetch_branding_fonts out)
    _branding_default_cache_dir(cache)
    find_program(HALVORA_NPM npm)
    # Debian's interpreter, the one python3-fonttools belongs to.
    find_program(HALVORA_FONT_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
    set(font_tools FALSE)
    if(HALVORA_FONT_PYTHON)
        execute_process(COMMAND "${HALVORA_FONT_PYTHON}" -c "import fontTools"
                        RESULT_VARIABLE import_result OUTPUT_QUIET ERROR_QUIET)
        if(import_result EQUAL 0)
            set(font_tools TRUE)
        endif()
    endif()
    file(MAKE_DIRECTORY "${cache}/ttf")
    # Builds of several work trees may share the cache.
    file(LOCK "${cache}/.lock" GUARD FUNCTION TIMEOUT 900 RESULT_VARIABLE locked)
    if(NOT locked EQUAL 0)
        message(WARNING "The font cache ${cache} stays locked (${locked}); the Branding fonts are left out.")
        set(${out} "" PARENT_SCOPE)
        return()
    endif()

    set(available "")
    set(missing "")
    set(unavailable_packages "")
    foreach(font IN LISTS HALVORA_BRANDING_FONTS)
        set(ttf "${cache}/ttf/${font}")
        if(NOT EXISTS "${ttf}")
            if(font STREQUAL "MaterialSymbolsRounded.ttf")
                set(key MaterialSymbolsRounded)
                set(woff "material-symbols-rounded-latin-400-normal.woff")
                set(convert_arguments "")
            else()
                string(REGEX MATCH "^([A-Za-z]+)-([A-Za-z]*)\\.ttf$" parsed "${font}")
                set(key "${CMAKE_MATCH_1}")
                set(style "${CMAKE_MATCH_2}")
                set(shape normal)
                if(style MATCHES "Italic$")
                    set(shape italic)
                    string(REGEX REPLACE "Italic$" "" style "${style}")
                endif()
                if(style STREQUAL "")
                    set(style Regular)
                endif()
                string(TOLOWER "${_branding_family_${key}}" prefix)
                string(REPLACE " " "-" prefix "${prefix}")
                set(woff "${prefix}-latin-${_branding_weight_${style}}-${shape}.woff")
                # The typographic style name, as the published TrueType files carry it.
                if(shape STREQUAL italic)
                    set(subfamily "${style} Italic")
                    if(style STREQUAL Regular)
                        set(subfamily Italic)
                    endif()
                else()
                    set(subfamily "${style}")
                endif()
                set(convert_arguments "${_branding_family_${key}}" "${subfamily}")
            endif()
            set(package "")
            if(NOT key IN_LIST unavailable_packages)
                _branding_package_dir("${cache}" "${_branding_package_${key}}" package)
                if(NOT package)
                    list(APPEND unavailable_packages ${key})
                endif()
            endif()
            if(package AND font_tools AND EXISTS "${package}/package/files/${woff}")
                message(STATUS "Unpacking ${woff} into ${font}")
                execute_process(
                    COMMAND "${HALVORA_FONT_PYTHON}" "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/woff_to_ttf.py"
                            "${package}/package/files/${woff}" "${ttf}.partial" ${convert_arguments}
                    RESULT_VARIABLE result ERROR_VARIABLE errors)
                if(result EQUAL 0)
                    file(RENAME "${ttf}.partial" "${ttf}")
                else()
                    file(REMOVE "${ttf}.partial")
                    message(WARNING "Could not unpack ${woff}: ${errors}")
                endif()
            elseif(package AND NOT font_tools)
                message(WARNING "fontTools (python3-fonttools) was not found, so ${font} cannot be unpacked.")
            endif()
        endif()
        if(EXISTS "${ttf}")
            list(APPEND available "${ttf}")
        else()
            list(APPEND missing "${font}")
        endif()
    endforeach()
    if(missing)
        list(JOIN missing ", " missing_text)
        message(WARNING "Branding fonts left out of this build (their families fall back to a system font): "
                        "${missing_text}")
    else()
        list(LENGTH available count)
        message(STATUS "Branding fonts: all ${count} in ${cache}")
    endif()
    set(${out} "${available}" PARENT_SCOPE)
endfunction()
