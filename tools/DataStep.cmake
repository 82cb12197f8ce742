# The build's data step, run on every build:
#   cmake -DASSETS=<tepple-assets> -DFOLDER=<run folder> [-DEMULATOR=<runner>] -P DataStep.cmake
# checks the data files against the manifest the generator wrote beside them and makes them all
# again when any is missing or damaged, saying which. A cross build runs the generator through its
# emulator.
execute_process(COMMAND ${EMULATOR} "${ASSETS}" --check "${FOLDER}" RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(STATUS "Regenerating the demo's data files in ${FOLDER}")
  execute_process(COMMAND ${EMULATOR} "${ASSETS}" "${FOLDER}" RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "tepple-assets could not make the data files in ${FOLDER}")
  endif()
endif()
