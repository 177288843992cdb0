# Checks that every source file of the app and of the platform stand-in
# includes only its own folder and the folders below it.
#
#   cmake -DROOT=<source tree> -P CheckLayers.cmake
#
# The layers, bottom first. A file directly in VellicorApp/ (the program's
# main and its demo commands) sits above every folder of the app; a file
# directly in Platform/ (the export macro) below every folder of the
# platform. The app stands on the platform, so the platform includes nothing
# of the app. Fails, naming each file and include that points upward, and
# each folder missing from the lists (a new folder takes its place here).
if(NOT ROOT)
  message(FATAL_ERROR "CheckLayers.cmake: ROOT is not set")
endif()

set(app_layers Core Instrumentation Community Interface Hybrid Push Switching Feedback Shell)
set(platform_layers Foundation UI Web System SDKs)

# layer_of(FILE AREA LAYERS OUT): the index of FILE's folder in LAYERS, or -1
# for a file directly in AREA, or "unknown" for a folder not in LAYERS.
function(layer_of relative area layers out)
  string(REGEX REPLACE "^${area}/" "" rest "${relative}")
  if(NOT rest MATCHES "/")
    set(${out} -1 PARENT_SCOPE)
    return()
  endif()
  string(REGEX REPLACE "/.*" "" folder "${rest}")
  list(FIND layers "${folder}" index)
  if(index EQUAL -1)
    set(${out} unknown PARENT_SCOPE)
  else()
    set(${out} ${index} PARENT_SCOPE)
  endif()
endfunction()

set(problems "")
foreach(area IN ITEMS VellicorApp Platform)
  if(area STREQUAL "VellicorApp")
    set(layers ${app_layers})
  else()
    set(layers ${platform_layers})
  endif()
  list(LENGTH layers top)
  file(GLOB_RECURSE sources RELATIVE "${ROOT}"
    "${ROOT}/${area}/*.cpp" "${ROOT}/${area}/*.hpp" "${ROOT}/${area}/*.h")
  list(SORT sources)
  foreach(source IN LISTS sources)
    layer_of("${source}" ${area} "${layers}" own)
    if(own STREQUAL "unknown")
      string(REGEX MATCH "^${area}/[^/]+" folder "${source}")
      list(APPEND problems "${source}: the folder ${folder} has no place in the layers (cmake/CheckLayers.cmake, docs/layout.md)")
      continue()
    endif()
    if(own EQUAL -1 AND area STREQUAL "VellicorApp")
      set(own ${top})
    endif()
    file(STRINGS "${ROOT}/${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" included "${line}")
      if(area STREQUAL "Platform" AND included MATCHES "^VellicorApp/")
        list(APPEND problems "${source}: includes ${included}: the platform includes nothing of the app")
        continue()
      endif()
      if(NOT included MATCHES "^${area}/[^/]+/")
        continue()
      endif()
      layer_of("${included}" ${area} "${layers}" theirs)
      if(theirs STREQUAL "unknown")
        continue() # reported with the folder's own files
      endif()
      if(theirs GREATER own)
        list(GET layers ${theirs} their_folder)
        if(own EQUAL top)
          set(own_folder "${area}/")
        elseif(own EQUAL -1)
          set(own_folder "${area}/")
        else()
          list(GET layers ${own} own_folder)
        endif()
        list(APPEND problems "${source}: includes ${included}: ${their_folder} is above ${own_folder}")
      endif()
    endforeach()
  endforeach()
endforeach()

if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "Includes that point up a layer:\n  ${text}")
endif()
message(STATUS "Every include points down a layer or stays in its folder")
