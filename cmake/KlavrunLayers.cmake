# Layers point one way. klavrun_layer(TARGET ALLOWS name... [FOLDERS sub...])
# makes TARGET's build fail when a source or header of the current folder
# (or of the sub-folders named instead; tests aside) includes a header from a
# folder of src/ that is not one of the names.
function(klavrun_layer target)
  cmake_parse_arguments(PARSE_ARGV 1 LAYER "" "" "ALLOWS;FOLDERS")
  list(TRANSFORM LAYER_FOLDERS PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/)
  if(NOT LAYER_FOLDERS)
    set(LAYER_FOLDERS ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
  set(patterns)
  foreach(folder IN LISTS LAYER_FOLDERS)
    list(APPEND patterns ${folder}/*.h ${folder}/*.cc)
  endforeach()
  file(GLOB files CONFIGURE_DEPENDS ${patterns})
  list(FILTER files EXCLUDE REGEX "_test\\.cc$")
  string(REPLACE ";" "|" file_list "${files}")
  string(REPLACE ";" "|" allowed "${LAYER_ALLOWS}")
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/layers/${target}.checked)
  add_custom_command(
    OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DLAYER=${target} "-DFILES=${file_list}"
            "-DALLOWS=${allowed}" -DSTAMP=${stamp}
            -P ${PROJECT_SOURCE_DIR}/cmake/check_layer.cmake
    DEPENDS ${files} ${PROJECT_SOURCE_DIR}/cmake/check_layer.cmake
    COMMENT "Checking what ${target} includes"
    VERBATIM)
  add_custom_target(${target}_layer DEPENDS ${stamp})
  add_dependencies(${target} ${target}_layer)
endfunction()
