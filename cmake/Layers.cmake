# The layers of src/ (docs/DESIGN.md "Folders and layers"). A layer is a set of folders, or files of
# them, and sees itself and the layers named below it, transitively. Before a layer's library is
# compiled, the build checks every include of the layer's files (cmake/LayerCheck.cmake): an include
# that runs the wrong way fails the build.
#
#   mervana_layer(NAME FOLDERS folder... [EXCLUDE regex] [BELOW layer...])
# defines MERVANA_LAYER_<NAME>_SOURCES (its .cpp files) and a target mervana_layer_check_<NAME>.
function(mervana_layer name)
  cmake_parse_arguments(L "" "EXCLUDE" "FOLDERS;FILES;BELOW" ${ARGN})
  set(own)
  foreach(dir ${L_FOLDERS})
    file(GLOB found CONFIGURE_DEPENDS RELATIVE ${CMAKE_SOURCE_DIR}/src
         ${CMAKE_SOURCE_DIR}/src/${dir}/*.cpp ${CMAKE_SOURCE_DIR}/src/${dir}/*.h)
    list(APPEND own ${found})
  endforeach()
  list(APPEND own ${L_FILES})
  if(L_EXCLUDE)
    list(FILTER own EXCLUDE REGEX "${L_EXCLUDE}")
  endif()
  set(sees ${own})
  foreach(below ${L_BELOW})
    if(NOT DEFINED MERVANA_LAYER_${below}_SEES)
      message(FATAL_ERROR "layer ${name}: layer ${below} is not defined before it")
    endif()
    list(APPEND sees ${MERVANA_LAYER_${below}_SEES})
  endforeach()
  list(REMOVE_DUPLICATES sees)
  set(MERVANA_LAYER_${name}_SEES ${sees} PARENT_SCOPE)

  set(dir ${CMAKE_BINARY_DIR}/layers)
  string(REPLACE ";" "\n" own_lines "${own}")
  string(REPLACE ";" "\n" sees_lines "${sees}")
  file(WRITE ${dir}/${name}.files "${own_lines}\n")
  file(WRITE ${dir}/${name}.allowed "${sees_lines}\n")
  list(TRANSFORM own PREPEND ${CMAKE_SOURCE_DIR}/src/ OUTPUT_VARIABLE own_paths)
  add_custom_command(
    OUTPUT ${dir}/${name}.checked
    COMMAND ${CMAKE_COMMAND} -DLAYER=${name} -DSOURCE_DIR=${CMAKE_SOURCE_DIR}/src -DFILES_LIST=${dir}/${name}.files
            -DALLOWED_LIST=${dir}/${name}.allowed -DSTAMP=${dir}/${name}.checked -P ${CMAKE_SOURCE_DIR}/cmake/LayerCheck.cmake
    DEPENDS ${own_paths} ${dir}/${name}.files ${dir}/${name}.allowed ${CMAKE_SOURCE_DIR}/cmake/LayerCheck.cmake
    COMMENT "Checking the includes of layer ${name}"
    VERBATIM)
  add_custom_target(mervana_layer_check_${name} DEPENDS ${dir}/${name}.checked)
  set_property(GLOBAL APPEND PROPERTY MERVANA_LAYER_CHECKS mervana_layer_check_${name})
  set(sources ${own})
  list(FILTER sources INCLUDE REGEX "\\.cpp$")
  list(TRANSFORM sources PREPEND ${CMAKE_SOURCE_DIR}/src/)
  set(MERVANA_LAYER_${name}_SOURCES ${sources} PARENT_SCOPE)
endfunction()

# A library of one or more layers: their sources, compiled after their include checks.
function(mervana_layer_library target)
  set(sources)
  foreach(layer ${ARGN})
    list(APPEND sources ${MERVANA_LAYER_${layer}_SOURCES})
  endforeach()
  add_library(${target} STATIC ${sources})
  if(MERVANA_PCH)
    # a one-off build (the main job's, with no compiler cache to help) parses the standard
    # library's headers once a library instead of once a source file: about a third less time
    target_precompile_headers(${target} PRIVATE <algorithm> <map> <memory> <optional> <set> <string>
                              <string_view> <vector> <functional> <cstdint>)
  endif()
  foreach(layer ${ARGN})
    add_dependencies(${target} mervana_layer_check_${layer})
  endforeach()
endfunction()

# A core layer of one folder, its library mervana_<folder> linked to the layer below it (or to LINKS).
function(mervana_core_layer name)
  cmake_parse_arguments(L "" "BELOW;LINKS" "" ${ARGN})
  mervana_layer(${name} FOLDERS ${name} BELOW ${L_BELOW})
  set(MERVANA_LAYER_${name}_SEES ${MERVANA_LAYER_${name}_SEES} PARENT_SCOPE)
  mervana_layer_library(mervana_${name} ${name})
  if(NOT L_LINKS)
    set(L_LINKS mervana_${L_BELOW})
  endif()
  target_link_libraries(mervana_${name} PUBLIC ${L_LINKS})
endfunction()
