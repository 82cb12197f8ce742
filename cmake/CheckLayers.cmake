# Fails when a source file includes a layer that comes after its own, or when a platform's
# libraries are included outside that platform's folder.
#   cmake -DSOURCE_DIR=<the src folder> -P CheckLayers.cmake
#
# The layers in order; each may include itself and the layers before it. A platform folder
# (platform/<name>) may include every layer and its own folder, never another platform's.
# Quoted words are words, never variables of the same name.
cmake_policy(SET CMP0054 NEW)

set(layers geometry pixels render media driver platform)
# System headers that belong to one platform alone.
set(platformHeaders "SDL=platform/sdl" "emscripten=platform/web")

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "CheckLayers.cmake: pass -DSOURCE_DIR=<the src folder>")
endif()

file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.cpp)
set(problems "")
foreach(source IN LISTS sources)
  string(REGEX MATCH "^[^/]+" layer ${source})
  list(FIND layers ${layer} rank)
  if(rank EQUAL -1)
    string(APPEND problems "  ${source}: in no layer (the layers are: ${layers})\n")
    continue()
  endif()
  set(platform "")
  if(layer STREQUAL "platform")
    string(REGEX MATCH "^platform/[^/]+" platform ${source})
  endif()

  file(STRINGS ${SOURCE_DIR}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[\"<]([^\">]+)[\">].*" "\\1" included "${line}")
    # The project's own headers are named from the src folder: "render/Renderer.h".
    if(line MATCHES "\"" AND included MATCHES "/")
      string(REGEX MATCH "^[^/]+" includedLayer ${included})
      list(FIND layers ${includedLayer} includedRank)
      if(includedRank GREATER rank)
        string(APPEND problems "  ${source} includes \"${included}\": ${layer} comes before ${includedLayer}\n")
      elseif(includedLayer STREQUAL "platform" AND NOT included MATCHES "^${platform}/")
        string(APPEND problems "  ${source} includes \"${included}\": one platform never includes another\n")
      endif()
    endif()
    foreach(pair IN LISTS platformHeaders)
      string(REPLACE "=" ";" pair "${pair}")
      list(GET pair 0 prefix)
      list(GET pair 1 home)
      if(included MATCHES "^${prefix}" AND NOT source MATCHES "^${home}/")
        string(APPEND problems "  ${source} includes <${included}>, which only ${home} may use\n")
      endif()
    endforeach()
  endforeach()
endforeach()

if(problems)
  string(REPLACE ";" ", " order "${layers}")
  message(FATAL_ERROR "Includes against the layer order (${order}):\n${problems}")
endif()
