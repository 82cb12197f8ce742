# The engine's public face: the headers a program built on the engine includes, named from the src
# folder as they name each other ("render/Renderer.h"). Installed under include/tepple/ with their
# folders, and all included by the generated tepple.h. Every header one of them includes belongs
# here too: the install test compiles each installed header on its own, against the installed ones
# alone. Nothing else is public.
set(TEPPLE_ENGINE_HEADERS
  geometry/Vertex.h
  geometry/Matrix4.h
  geometry/Lighting.h
  geometry/Mesh.h
  geometry/MeshFile.h
  pixels/PixelToolkit.h
  pixels/Format.h
  pixels/Surface.h
  pixels/Console.h
  pixels/Clock.h
  pixels/Messages.h
  render/Renderer.h
  render/MeshDraw.h
  render/WorkerPool.h
  render/Viewport.h
  render/Sampling.h
  media/Tga.h
  media/MusicPlayer.h
)
# The SDL window console, clock and music player, in tepple_sdl (tepple::sdl).
set(TEPPLE_SDL_HEADERS
  platform/sdl/SdlConsole.h
  platform/sdl/SdlClock.h
  platform/sdl/SdlMusicPlayer.h
  platform/sdl/Termination.h
)
