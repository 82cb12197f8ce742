# What a program built on the engine links, and what `cmake --install <build> --prefix P` puts
# where (everything relocatable: no installed file names P):
#   P/lib                    the static libraries: tepple_geometry, tepple_pixels, tepple_render,
#                            tepple_media (the engine) and tepple_sdl (the SDL window console)
#   P/include/tepple         the public headers with their folders (render/Renderer.h, ...) and
#                            tepple.h, which includes them all; the include directory exported
#   P/lib/cmake/tepple       the CMake package: find_package(tepple) gives tepple::engine, tepple::sdl
#   P/lib/pkgconfig          tepple.pc (the engine) and tepple-sdl.pc
#   P/bin                    tepple, tepple-assets and tepple-capture
#   P/share/tepple           the demo's eleven data files, where the installed demo looks for them
#                            (../share/tepple from its own folder)
# Install components: `development` (libraries, headers, package files) and `demo` (programs and
# data), which alone makes the Debian package (`cpack -G DEB` in the build folder).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)
include(${CMAKE_CURRENT_LIST_DIR}/PublicHeaders.cmake)

set(TEPPLE_CMAKE_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/tepple)
# The demo finds its data at ../share/tepple from its own folder (driver/Program.cpp): these two
# stay as they are, whatever GNUInstallDirs is told.
set(TEPPLE_INSTALL_BINDIR bin)
set(TEPPLE_INSTALL_DATADIR share/tepple)

# tepple::engine: the four engine layers and the threads the renderer's worker pool runs on. The
# same name inside a build that includes this tree (add_subdirectory, FetchContent).
find_package(Threads REQUIRED)
add_library(tepple_engine INTERFACE)
target_link_libraries(tepple_engine INTERFACE tepple_media tepple_render tepple_pixels tepple_geometry
                                              Threads::Threads)
set_target_properties(tepple_engine PROPERTIES EXPORT_NAME engine)
add_library(tepple::engine ALIAS tepple_engine)
foreach(layer geometry pixels render media)
  set_target_properties(tepple_${layer} PROPERTIES EXPORT_NAME ${layer})
endforeach()

set(TEPPLE_PUBLIC_HEADERS ${TEPPLE_ENGINE_HEADERS})
if(TARGET tepple_sdl)
  list(APPEND TEPPLE_PUBLIC_HEADERS ${TEPPLE_SDL_HEADERS})
  set_target_properties(tepple_sdl PROPERTIES EXPORT_NAME sdl)
  add_library(tepple::sdl ALIAS tepple_sdl)
endif()

# tepple.h, including every public header; in the build tree too, for builds that include this one.
set(TEPPLE_UMBRELLA_INCLUDES "")
foreach(header IN LISTS TEPPLE_PUBLIC_HEADERS)
  string(APPEND TEPPLE_UMBRELLA_INCLUDES "#include \"${header}\"\n")
endforeach()
configure_file(${CMAKE_CURRENT_LIST_DIR}/tepple.h.in ${PROJECT_BINARY_DIR}/include/tepple.h @ONLY)
target_include_directories(tepple_engine INTERFACE $<BUILD_INTERFACE:${PROJECT_BINARY_DIR}/include>)

install(TARGETS tepple_geometry tepple_pixels tepple_render tepple_media tepple_engine
        EXPORT teppleEngineTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tepple)
install(EXPORT teppleEngineTargets NAMESPACE tepple:: DESTINATION ${TEPPLE_CMAKE_PACKAGE_DIR}
        COMPONENT development)
if(TARGET tepple_sdl)
  install(TARGETS tepple_sdl EXPORT teppleSdlTargets
          ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
          INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tepple)
  install(EXPORT teppleSdlTargets NAMESPACE tepple:: DESTINATION ${TEPPLE_CMAKE_PACKAGE_DIR}
          COMPONENT development)
endif()

foreach(header IN LISTS TEPPLE_PUBLIC_HEADERS)
  get_filename_component(folder ${header} DIRECTORY)
  install(FILES ${PROJECT_SOURCE_DIR}/src/${header} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tepple/${folder}
          COMPONENT development)
endforeach()
install(FILES ${PROJECT_BINARY_DIR}/include/tepple.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tepple
        COMPONENT development)

# Whether tepple_sdl links the X client library (src/platform/sdl).
get_property(TEPPLE_SDL_X11 GLOBAL PROPERTY TEPPLE_SDL_X11)
if(NOT TEPPLE_SDL_X11)
  set(TEPPLE_SDL_X11 FALSE)
endif()
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/teppleConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/package/teppleConfig.cmake
                              INSTALL_DESTINATION ${TEPPLE_CMAKE_PACKAGE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/package/teppleConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/package/teppleConfig.cmake ${PROJECT_BINARY_DIR}/package/teppleConfigVersion.cmake
        DESTINATION ${TEPPLE_CMAKE_PACKAGE_DIR} COMPONENT development)

# The pkg-config files name their prefix from their own folder (${pcfiledir}), so the installed
# tree can move.
if(IS_ABSOLUTE ${CMAKE_INSTALL_LIBDIR})
  message(FATAL_ERROR "tepple installs relocatably: give CMAKE_INSTALL_LIBDIR relative to the prefix, "
                      "not ${CMAKE_INSTALL_LIBDIR}")
endif()
file(RELATIVE_PATH TEPPLE_PC_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
string(REGEX REPLACE "/$" "" TEPPLE_PC_PREFIX "${TEPPLE_PC_PREFIX}")
set(pcFiles tepple)
if(TARGET tepple_sdl)
  list(APPEND pcFiles tepple-sdl)
  # The static library's X error handlers bring the X client library along.
  set(TEPPLE_SDL_X11_LIBS "")
  if(TEPPLE_SDL_X11)
    set(TEPPLE_SDL_X11_LIBS " -lX11")
  endif()
endif()
foreach(pc IN LISTS pcFiles)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/${pc}.pc.in ${PROJECT_BINARY_DIR}/package/${pc}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/package/${pc}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
          COMPONENT development)
endforeach()

if(TEPPLE_ENGINE_ONLY)
  return()
endif()

# The programs, and the data files the build made beside them in the run folder (tools/).
# (Windows has the demo alone: scripts/windows.sh packs it.)
set(programs tepple)
if(NOT WIN32)
  list(APPEND programs tepple-assets tepple-capture)
endif()
install(TARGETS ${programs} RUNTIME DESTINATION ${TEPPLE_INSTALL_BINDIR} COMPONENT demo)
foreach(name IN LISTS TEPPLE_DATA_NAMES)
  get_filename_component(folder ${name} DIRECTORY)
  install(FILES ${TEPPLE_RUN_DIR}/${name} DESTINATION ${TEPPLE_INSTALL_DATADIR}/${folder} COMPONENT demo)
endforeach()

include(${CMAKE_CURRENT_LIST_DIR}/RenderInstall.cmake)

# `cpack -G DEB` in the build folder: the demo, its tools and data as one Debian package, its
# dependencies read from the programs' own shared libraries (dpkg-shlibdeps).
if(TEPPLE_IS_TOP_LEVEL AND NOT WIN32)
  set(CPACK_PACKAGE_NAME tepple)
  set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
  set(CPACK_PACKAGE_CONTACT "tepple developers <tepple@localhost>")
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Real-time 3D demo drawn by its own software polygon engine")
  set(CPACK_PACKAGE_DESCRIPTION
      "A 150-second real-time 3D demonstration with its soundtrack in a 640x480 window, every pixel drawn by \
its own software rasterisers; with the tools that made its data and that capture it to pictures.")
  # The demo component alone, as one package named tepple.
  set(CPACK_COMPONENTS_ALL demo)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_DEBIAN_DEMO_PACKAGE_NAME tepple)
  set(CPACK_DEBIAN_DEMO_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION games)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  include(CPack)
endif()
