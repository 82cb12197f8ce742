# Fails when a source file includes a layer that is not below its own, or when a platform's
# libraries are included outside that platform's folder.
#   cmake -DSOURCE_DIR=<the src folder> -P CheckLayers.cmake
#
# The layers stand in tiers, lowest first; a file may include its own layer and every layer of a
# lower tier, never a layer of its own tier or a higher one:
#   geometry, pixels    side by side at the bottom: neither includes the other;
#   render, media       side by side above them: neither includes the other;
#   driver, models      the demonstration, on all four; the model loaders beside it;
#   platform            each platform folder (platform/<name>) on everything, never on another
#                       platform's folder.
#
# Inside render, the rooms stand in their own order, lowest first: stages, lanes, paths. A room's
# file includes its own room and the rooms below it, and of render's own top-level files only the
# public headers the stages take values from; the renderer and the mesh draw (renderAboveRooms)
# stand above every room, and the top-level files may include any room.
#
# No file includes itself again through others: a circular include is named with its whole round.
# Quoted words are words, never variables of the same name.
cmake_policy(SET CMP0054 NEW)
cmake_policy(SET CMP0057 NEW)

set(tiers "geometry,pixels" "render,media" "driver,models" "platform")
# System headers that belong to one platform alone.
set(platformHeaders "SDL=platform/sdl" "emscripten=platform/web")
set(renderRooms stages lanes paths)
set(renderAboveRooms render/Renderer.h render/MeshDraw.h)

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

# room_<name>: a render room's place, counted from 0 at the bottom.
set(roomNumber 0)
foreach(room IN LISTS renderRooms)
  set(room_${room} ${roomNumber})
  math(EXPR roomNumber "${roomNumber} + 1")
endforeach()

# The room of a file inside render (render/<room>/...), or "" for render's top-level files.
function(room_of path out)
  set(room "")
  if(path MATCHES "^render/([^/]+)/")
    set(room ${CMAKE_MATCH_1})
  endif()
  set(${out} "${room}" PARENT_SCOPE)
endfunction()

# What render's rooms say of one include inside render, appended to `problems`.
function(check_room source included)
  set(problem "")
  room_of(${source} room)
  if(room STREQUAL "")
    return()
  endif()
  room_of(${included} includedRoom)
  string(REPLACE ";" ", then " order "${renderRooms}")
  if(NOT DEFINED room_${room})
    return()
  elseif(includedRoom STREQUAL "")
    if(included IN_LIST renderAboveRooms)
      set(problem "  ${source} includes \"${included}\": it stands above render's rooms\n")
    endif()
  elseif(DEFINED room_${includedRoom} AND room_${includedRoom} GREATER room_${room})
    set(problem "  ${source} includes \"${included}\": ${includedRoom} stands above ${room} in render (${order})\n")
  endif()
  if(problem)
    set(problems "${problems}${problem}" PARENT_SCOPE)
  endif()
endfunction()

file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.cpp)
set(problems "")
foreach(source IN LISTS sources)
  string(REGEX MATCH "^[^/]+" layer ${source})
  if(NOT DEFINED tier_${layer})
    string(REPLACE ";" ", " known "${layers}")
    string(APPEND problems "  ${source}: in no layer (the layers are: ${known})\n")
    continue()
  endif()
  room_of(${source} room)
  if(NOT room STREQUAL "" AND NOT DEFINED room_${room})
    string(REPLACE ";" ", " known "${renderRooms}")
    string(APPEND problems "  ${source}: in no room of render (the rooms are: ${known})\n")
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
      if(EXISTS ${SOURCE_DIR}/${included})
        list(APPEND includes_${source} ${included})
      endif()
      if(includedLayer STREQUAL layer AND layer STREQUAL "render")
        check_room(${source} ${included})
      endif()
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

# Circular includes: a walk along the includes from each file, keeping the path walked; meeting a
# file already on the path closes a round. A file whose walk is done is never walked again.
function(walk file)
  set_property(GLOBAL APPEND PROPERTY walkPath ${file})
  set_property(GLOBAL PROPERTY onPath_${file} TRUE)
  foreach(next IN LISTS includes_${file})
    get_property(nextOnPath GLOBAL PROPERTY onPath_${next})
    get_property(nextDone GLOBAL PROPERTY done_${next})
    if(nextOnPath)
      get_property(path GLOBAL PROPERTY walkPath)
      list(FIND path ${next} start)
      list(SUBLIST path ${start} -1 round)
      list(APPEND round ${next})
      string(REPLACE ";" " -> " round "${round}")
      set_property(GLOBAL APPEND_STRING PROPERTY rounds "  a circular include: ${round}\n")
    elseif(NOT nextDone)
      walk(${next})
    endif()
  endforeach()
  get_property(path GLOBAL PROPERTY walkPath)
  list(POP_BACK path)
  set_property(GLOBAL PROPERTY walkPath "${path}")
  set_property(GLOBAL PROPERTY onPath_${file} FALSE)
  set_property(GLOBAL PROPERTY done_${file} TRUE)
endfunction()
foreach(source IN LISTS sources)
  get_property(sourceDone GLOBAL PROPERTY done_${source})
  if(NOT sourceDone)
    walk(${source})
  endif()
endforeach()
get_property(rounds GLOBAL PROPERTY rounds)
string(APPEND problems "${rounds}")

if(problems)
  string(REPLACE "," " beside " order "${tiers}")
  string(REPLACE ";" ", then " order "${order}")
  message(FATAL_ERROR "Includes against the layer order (${order}):\n${problems}")
endif()
