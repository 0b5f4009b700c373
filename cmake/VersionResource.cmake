# tamsel_add_version_resource(<target> <description>): the product version of
# project(VERSION), the one source of it, as the DLL's version resource.
function(tamsel_add_version_resource target description)
  set(TAMSEL_VERSION_TARGET ${target})
  set(TAMSEL_VERSION_DESCRIPTION "${description}")
  set(rc "${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc")
  configure_file("${PROJECT_SOURCE_DIR}/cmake/version_info.rc.in" "${rc}" @ONLY)
  target_sources(${target} PRIVATE "${rc}")
endfunction()
