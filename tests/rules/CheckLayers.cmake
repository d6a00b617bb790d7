# Fails when a source file includes a header of a layer its own layer may not use, or when a layer
# that must stay free of Qt includes a Qt header. Link errors would catch neither while every
# layer's headers are reachable from one include root.
#   cmake -DSOURCE_DIR=<src> -P CheckLayers.cmake
cmake_minimum_required(VERSION 3.25)

# What each layer may include besides itself: the layers beneath it that it links.
set(uses_platform/fs "")
set(uses_platform/gdi "")
set(uses_platform/shellns platform/fs)
set(uses_toolkit platform/gdi)
set(uses_shell toolkit platform/gdi platform/shellns platform/fs)
set(uses_replays platform/fs)
set(uses_gl toolkit platform/gdi)
set(uses_cli replays platform/fs)
set(uses_app gl shell replays toolkit platform/gdi platform/shellns platform/fs)
# The engine and the command line build and run without Qt.
set(without_qt platform/fs replays cli)

set(layers platform/fs platform/gdi platform/shellns toolkit shell replays gl cli app)

# The layer a quoted include names, or "" for a header beside the includer.
function(named_layer include out)
    string(REGEX MATCH "^(platform/[^/]+|[^/]+)/" prefix "${include}")
    set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
endfunction()

get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)
set(faults "")
foreach(layer IN LISTS layers)
    file(GLOB_RECURSE files "${SOURCE_DIR}/${layer}/*.h" "${SOURCE_DIR}/${layer}/*.cpp")
    foreach(file IN LISTS files)
        file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
        file(RELATIVE_PATH shown "${SOURCE_DIR}" "${file}")
        foreach(line IN LISTS lines)
            if(line MATCHES "[\"]([^\"]+)[\"]")
                named_layer("${CMAKE_MATCH_1}" target)
                if(target AND NOT target STREQUAL layer AND NOT target IN_LIST uses_${layer})
                    list(APPEND faults "${shown}: ${layer} may not include ${CMAKE_MATCH_1}")
                endif()
            elseif(line MATCHES "<(Q[A-Za-z]*)" AND layer IN_LIST without_qt)
                list(APPEND faults "${shown}: ${layer} must not use Qt (<${CMAKE_MATCH_1}...>)")
            endif()
        endforeach()
    endforeach()
endforeach()

if(faults)
    list(JOIN faults "\n" text)
    message(FATAL_ERROR "Includes that cross the layers:\n${text}")
endif()
