# Copies the named data files (and the generator's manifest) from a native build's run folder:
#   cmake -DFROM=<run folder> -DFOLDER=<this build's run folder> -DNAMES=<names> -P CopyData.cmake
# Fails, naming the file, when one is missing there: that build has not made its data yet.
foreach(name IN LISTS NAMES)
  if(NOT EXISTS "${FROM}/${name}")
    message(FATAL_ERROR "no ${name} in ${FROM}: build that folder's data first (cmake --build <it> --target tepple_data)")
  endif()
  get_filename_component(folder "${FOLDER}/${name}" DIRECTORY)
  file(MAKE_DIRECTORY "${folder}")
  file(COPY_FILE "${FROM}/${name}" "${FOLDER}/${name}" ONLY_IF_DIFFERENT)
endforeach()
