# Fails when a source file includes a layer that is not below its own, or when a platform's
# libraries are included outside that platform's folder.
#   cmake -DSOURCE_DIR=<the src folder> -P CheckLayers.cmake
#
# The layers stand in tiers, lowest first; a file may include its own layer and every layer of a
# lower tier, never a layer of its own tier or a higher one:
#   geometry, pixels    side by side at the bottom: neither includes the other;
#   render, media       side by side above them: neither includes the other;
#   driver              the demonstration, on all four;
#   platform            each platform folder (platform/<name>) on everything, never on another
#                       platform's folder.
# Quoted words are words, never variables of the same name.
cmake_policy(SET CMP0054 NEW)

set(tiers "geometry,pixels" "render,media" "driver" "platform")
# System headers that belong to one platform alone.
set(platformHeaders "SDL=platform/sdl" "emscripten=platform/web")

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "CheckLayers.cmake: pass -DSOURCE_DIR=<the src folder>")
endif()

# tier_<layer>: the layer's tier, counted from 0 at the bottom.
set(layers "")
set(tierNumber 0)
foreach(tier IN LISTS tiers)
  string(REPLACE "," ";" members "${tier}")
  foreach(member IN LISTS members)
    set(tier_${member} ${tierNumber})
    list(APPEND layers ${member})
  endforeach()
  math(EXPR tierNumber "${tierNumber} + 1")
endforeach()

file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.cpp)
set(problems "")
foreach(source IN LISTS sources)
  string(REGEX MATCH "^[^/]+" layer ${source})
  if(NOT DEFINED tier_${layer})
    string(REPLACE ";" ", " known "${layers}")
    string(APPEND problems "  ${source}: in no layer (the layers are: ${known})\n")
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
      if(includedLayer STREQUAL layer)
        if(layer STREQUAL "platform" AND NOT included MATCHES "^${platform}/")
          string(APPEND problems "  ${source} includes \"${included}\": one platform never includes another\n")
        endif()
      elseif(DEFINED tier_${includedLayer})
        if(tier_${includedLayer} EQUAL tier_${layer})
          string(APPEND problems
                 "  ${source} includes \"${included}\": ${layer} and ${includedLayer} stand side by side\n")
        elseif(tier_${includedLayer} GREATER tier_${layer})
          string(APPEND problems "  ${source} includes \"${included}\": ${includedLayer} stands above ${layer}\n")
        endif()
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
  string(REPLACE "," " beside " order "${tiers}")
  string(REPLACE ";" ", then " order "${order}")
  message(FATAL_ERROR "Includes against the layer order (${order}):\n${problems}")
endif()
