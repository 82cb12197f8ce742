# Windows (cmake/x86_64-w64-mingw32.cmake): SDL2 and SDL2_mixer are the static libraries
# scripts/windows.sh builds, whose packages name them SDL2::SDL2-static and
# SDL2_mixer::SDL2_mixer-static; the names the rest of the build links stand for them.
foreach(names "SDL2::SDL2;SDL2::SDL2-static" "SDL2_mixer::SDL2_mixer;SDL2_mixer::SDL2_mixer-static")
  list(GET names 0 name)
  list(GET names 1 static)
  if(NOT TARGET ${name} AND TARGET ${static})
    add_library(${name} INTERFACE IMPORTED)
    target_link_libraries(${name} INTERFACE ${static})
  endif()
endforeach()
