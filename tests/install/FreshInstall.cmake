# cmake -DBUILD=<build folder> -DPREFIX=<prefix> -P FreshInstall.cmake
# Installs the build into an empty prefix, so nothing of an earlier install is mistaken for this one's.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX} OUTPUT_QUIET RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install ${BUILD} --prefix ${PREFIX} failed")
endif()
