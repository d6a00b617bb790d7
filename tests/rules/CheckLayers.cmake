# Fails when a source file includes a header of a layer its own layer may not use, or when a layer
# that must stay free of Qt includes a Qt header. Link errors would catch neither while every
# layer's headers are reachable from one include root. Both include forms count: "app/Unit1.h" and
# <app/Unit1.h> name the same header, and so do <QString>, <qstring.h> and "QtCore/qstring.h".
#   cmake -DSOURCE_DIR=<src> -DLAYER_GRAPH=<layers.cmake> -P CheckLayers.cmake
# LAYER_GRAPH is written by tests/rules/CMakeLists.txt from the targets' link libraries: layers,
# uses_<layer> (the layers it may include besides itself), without_qt and qt_headers.
cmake_minimum_required(VERSION 3.25)

include(${LAYER_GRAPH})
file(GLOB qt_modules LIST_DIRECTORIES true "${qt_headers}/Qt*")

# The layer an include names, or "" for a header beside the includer or of the system.
function(named_layer include out)
    set(named "")
    string(REGEX MATCH "^(platform/[^/]+|[^/]+)/" prefix "${include}")
    if(CMAKE_MATCH_1 IN_LIST layers)
        set(named "${CMAKE_MATCH_1}")
    endif()
    set(${out} "${named}" PARENT_SCOPE)
endfunction()

# Whether an include is one of Qt's headers, by any of the names Qt installs.
function(is_qt include out)
    set(found OFF)
    if(include MATCHES "^[Qq]")
        foreach(dir IN ITEMS "${qt_headers}" LISTS qt_modules)
            if(EXISTS "${dir}/${include}" AND NOT IS_DIRECTORY "${dir}/${include}")
                set(found ON)
                break()
            endif()
        endforeach()
    endif()
    set(${out} ${found} PARENT_SCOPE)
endfunction()

get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)
set(faults "")
foreach(layer IN LISTS layers)
    file(GLOB_RECURSE files "${SOURCE_DIR}/${layer}/*.h" "${SOURCE_DIR}/${layer}/*.cpp")
    foreach(file IN LISTS files)
        file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
        file(RELATIVE_PATH shown "${SOURCE_DIR}" "${file}")
        foreach(line IN LISTS lines)
            if(NOT line MATCHES "include[ \t]*([\"<])([^\">]+)[\">]")
                continue()
            endif()
            set(name "${CMAKE_MATCH_2}")
            set(written "<${name}>")
            if(CMAKE_MATCH_1 STREQUAL "\"")
                set(written "\"${name}\"")
            endif()
            named_layer("${name}" target)
            is_qt("${name}" qt)
            if(target AND NOT target STREQUAL layer AND NOT target IN_LIST uses_${layer})
                list(APPEND faults "${shown}: ${layer} may not include ${written}")
            elseif(qt AND layer IN_LIST without_qt)
                list(APPEND faults "${shown}: ${layer} must not use Qt (${written})")
            endif()
        endforeach()
    endforeach()
endforeach()

if(faults)
    list(JOIN faults "\n" text)
    message(FATAL_ERROR "Includes that cross the layers:\n${text}")
endif()
