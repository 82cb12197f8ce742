# The model loaders and tepple-render, where the build has them (TEPPLE_MODELS):
#   P/lib                     tepple_models (tepple::models, find_package(tepple COMPONENTS models))
#   P/include/tepple/models   Model.h
#   P/lib/pkgconfig           tepple-models.pc
#   P/bin                     tepple-render, in the Debian package with the demo
#   P/share/thumbnailers      tepple-render.thumbnailer, the file managers' entry for model files
if(NOT TARGET tepple_models)
  return()
endif()
set_target_properties(tepple_models PROPERTIES EXPORT_NAME models)
add_library(tepple::models ALIAS tepple_models)
install(TARGETS tepple_models EXPORT teppleModelsTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tepple)
install(EXPORT teppleModelsTargets NAMESPACE tepple:: DESTINATION ${TEPPLE_CMAKE_PACKAGE_DIR} COMPONENT development)
install(FILES ${PROJECT_SOURCE_DIR}/src/models/Model.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tepple/models
        COMPONENT development)
configure_file(${CMAKE_CURRENT_LIST_DIR}/tepple-models.pc.in ${PROJECT_BINARY_DIR}/package/tepple-models.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/package/tepple-models.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
        COMPONENT development)
install(TARGETS tepple-render RUNTIME DESTINATION ${TEPPLE_INSTALL_BINDIR} COMPONENT demo)
install(FILES ${PROJECT_SOURCE_DIR}/tools/render/tepple-render.thumbnailer DESTINATION share/thumbnailers
        COMPONENT demo)
