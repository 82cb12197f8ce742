# The layer check against small source trees of its own: a tree that keeps the order passes, and
# each kind of wrong include fails the check with a line naming the file and the rule it breaks.
#   cmake -DCHECK=<cmake/CheckLayers.cmake> -DWORK=<scratch folder> -P LayerCheckTest.cmake
cmake_policy(SET CMP0054 NEW)

if(NOT CHECK OR NOT WORK)
  message(FATAL_ERROR "LayerCheckTest.cmake: pass -DCHECK=<CheckLayers.cmake> and -DWORK=<scratch folder>")
endif()

# Every include the order allows: each layer on itself and on every layer of a lower tier, each
# platform on every layer, its own folder and its own system headers.
set(allowed
  "geometry/Vertex.h|<cmath>;\"geometry/Matrix4.h\""
  "pixels/Surface.h|\"pixels/Messages.h\""
  "render/Renderer.h|\"render/Viewport.h\";\"geometry/Vertex.h\";\"pixels/Surface.h\""
  "render/Viewport.h|<string>"
  "render/Renderer.cpp|\"render/Renderer.h\";\"render/paths/Paths.h\";\"render/stages/TriangleLoop.h\""
  "render/stages/EdgeTable.h|\"render/Viewport.h\";\"geometry/Vertex.h\""
  "render/stages/TriangleLoop.h|\"render/stages/EdgeTable.h\""
  "render/lanes/LaneSet.h|\"render/stages/EdgeTable.h\""
  "render/paths/Paths.h|\"render/lanes/LaneSet.h\";\"render/stages/TriangleLoop.h\""
  "media/Tga.h|\"media/DataFiles.h\";\"geometry/DataFile.h\";\"pixels/Surface.h\""
  "driver/Demo.h|\"driver/Scenes.h\";\"render/Renderer.h\";\"media/Tga.h\";\"geometry/Mesh.h\";\"pixels/Clock.h\""
  "platform/sdl/main.cpp|<SDL.h>;\"platform/sdl/SdlConsole.h\";\"driver/Demo.h\";\"media/Tga.h\""
  "platform/web/main.cpp|<emscripten.h>;\"platform/web/WebConsole.h\";\"driver/Demo.h\""
)

# One file added to the allowed tree (or put in place of one), the include it holds, and the rule the
# check must name beside the file (after "=": all the check must say).
set(wrong
  "geometry/Bad.h|\"pixels/Surface.h\"|: geometry and pixels stand side by side"
  "pixels/Bad.cpp|\"geometry/Vertex.h\"|: pixels and geometry stand side by side"
  "render/Bad.cpp|\"media/Tga.h\"|: render and media stand side by side"
  "media/Bad.h|\"render/Renderer.h\"|: media and render stand side by side"
  "geometry/Bad.cpp|\"render/Renderer.h\"|: render stands above geometry"
  "pixels/Bad.h|\"media/Tga.h\"|: media stands above pixels"
  "media/Bad.cpp|\"driver/Demo.h\"|: driver stands above media"
  "driver/Bad.cpp|\"platform/sdl/SdlConsole.h\"|: platform stands above driver"
  "platform/web/Bad.cpp|\"platform/sdl/SdlConsole.h\"|: one platform never includes another"
  "driver/Bad.h|<SDL.h>|, which only platform/sdl may use"
  "platform/sdl/Bad.cpp|<emscripten/html5.h>|, which only platform/web may use"
  "tools/Bad.cpp|<cstdio>|: in no layer"
  "render/stages/Bad.h|\"render/lanes/LaneSet.h\"|: lanes stands above stages in render"
  "render/lanes/Bad.cpp|\"render/paths/Paths.h\"|: paths stands above lanes in render"
  "render/stages/Bad.cpp|\"render/Renderer.h\"|: it stands above render's rooms"
  "render/attic/Bad.h|\"render/Viewport.h\"|=render/attic/Bad.h: in no room of render"
  "render/stages/EdgeTable.h|\"render/stages/TriangleLoop.h\"|=a circular include: render/stages/EdgeTable.h -> render/stages/TriangleLoop.h -> render/stages/EdgeTable.h"
)

# Writes file $path under $tree holding one #include line per entry of the list $includes.
function(write_source tree path includes)
  set(text "")
  foreach(included IN LISTS includes)
    string(APPEND text "#include ${included}\n")
  endforeach()
  file(WRITE ${tree}/${path} "${text}")
endfunction()

function(write_allowed_tree tree)
  file(REMOVE_RECURSE ${tree})
  foreach(entry IN LISTS allowed)
    string(FIND "${entry}" "|" bar)
    string(SUBSTRING "${entry}" 0 ${bar} path)
    math(EXPR start "${bar} + 1")
    string(SUBSTRING "${entry}" ${start} -1 includes)
    write_source(${tree} ${path} "${includes}")
  endforeach()
endfunction()

function(run_check tree)
  execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${tree} -P ${CHECK}
                  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  set(status ${status} PARENT_SCOPE)
  set(output "${output}" PARENT_SCOPE)
endfunction()

set(failures "")
set(tree ${WORK}/src)

write_allowed_tree(${tree})
run_check(${tree})
if(NOT status EQUAL 0)
  string(APPEND failures "the tree that keeps the order failed the check:\n${output}\n")
endif()

foreach(entry IN LISTS wrong)
  string(REPLACE "|" ";" fields "${entry}")
  list(GET fields 0 path)
  list(GET fields 1 included)
  list(GET fields 2 rule)
  set(expected "${path} includes ${included}${rule}")
  if(path MATCHES "^tools/")
    set(expected "${path}${rule}")
  elseif(rule MATCHES "^=")
    # The whole of what the check says.
    string(SUBSTRING "${rule}" 1 -1 expected)
  endif()
  write_allowed_tree(${tree})
  write_source(${tree} ${path} "${included}")
  run_check(${tree})
  # The message is wrapped at the terminal's width: compare it with its white space joined.
  string(REGEX REPLACE "[ \t\r\n]+" " " said "${output}")
  if(status EQUAL 0)
    string(APPEND failures "${path} including ${included} passed the check\n")
  else()
    string(FIND "${said}" "${expected}" at)
    if(at EQUAL -1)
      string(APPEND failures "${path} including ${included}: the check did not say \"${expected}\":\n${output}\n")
    endif()
  endif()
endforeach()
file(REMOVE_RECURSE ${WORK})

if(failures)
  message(FATAL_ERROR "The layer check is wrong:\n${failures}")
endif()
list(LENGTH wrong cases)
message(STATUS "The layer check passes the ordered tree and fails each of ${cases} wrong includes")
