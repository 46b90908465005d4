# Layers point one way. klavrun_layer(TARGET ALLOWS name...) makes
# TARGET's build fail when a source or header of the current folder (tests
# aside) includes a header from a folder of src/ that is not one of the names.
function(klavrun_layer target)
  cmake_parse_arguments(PARSE_ARGV 1 LAYER "" "" "ALLOWS")
  file(GLOB files CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*.cc)
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
