# The viewer's function names, in lookup order, from the plugin's own list of
# them (plugin_framework/host_function_list.h) through the preprocessor:
#   TAMSEL_HOST_FUNCTION_NAMES       all 122
#   TAMSEL_USED_HOST_FUNCTION_NAMES  the ones the plugin calls
# and tamsel_write_exports(<def file> <name>...) for a host program's .def.
set(_list_dir ${PROJECT_SOURCE_DIR}/plugin_framework)
set(_names_file ${CMAKE_BINARY_DIR}/host_function_names.cmake)
execute_process(
  COMMAND ${CMAKE_CXX_COMPILER} -E -P -x c++ -I ${_list_dir} ${_list_dir}/host_function_names.cmake.in
  OUTPUT_FILE ${_names_file}
  RESULT_VARIABLE _result)
if(NOT _result EQUAL 0)
  message(FATAL_ERROR "preprocessing the host function list failed (${_result})")
endif()
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${_list_dir}/host_function_list.h ${_list_dir}/host_function_names.cmake.in)
include(${_names_file})

function(tamsel_write_exports def_file)
  set(exports "")
  foreach(name IN LISTS ARGN)
    string(APPEND exports "    ${name}\n")
  endforeach()
  file(CONFIGURE OUTPUT ${def_file} CONTENT "EXPORTS\n${exports}")
endfunction()
