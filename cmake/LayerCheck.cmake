# Checks the includes of one layer: every project header a file of the layer includes must belong to
# the layer itself or to a layer below it. Run by the build (cmake/Layers.cmake) before the layer's
# library is compiled, so a wrong-way include fails the build with the file and the line named.
#   cmake -DLAYER=name -DSOURCE_DIR=src -DFILES_LIST=file -DALLOWED_LIST=file -DSTAMP=file -P LayerCheck.cmake
# FILES_LIST holds the layer's files, ALLOWED_LIST the files it may include (paths below src/, one a line).
file(STRINGS "${FILES_LIST}" files)
file(STRINGS "${ALLOWED_LIST}" allowed)
set(wrong "")
foreach(rel IN LISTS files)
  file(STRINGS "${SOURCE_DIR}/${rel}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*$" "\\1" included "${line}")
    # headers beside the file, the system's and generated ones are not the project's layers
    if(NOT EXISTS "${SOURCE_DIR}/${included}")
      continue()
    endif()
    list(FIND allowed "${included}" at)
    if(at EQUAL -1)
      string(APPEND wrong "\n  src/${rel}: #include \"${included}\"")
    endif()
  endforeach()
endforeach()
if(wrong)
  message(FATAL_ERROR "Layer ${LAYER} includes a header of a layer above it or beside it:${wrong}\n"
                      "A layer may include only its own headers and those of the layers below it (docs/DESIGN.md).")
endif()
file(WRITE "${STAMP}" "")
