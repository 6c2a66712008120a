# Fails when a file under src/ includes a header of a layer above its own.
#   cmake -DSOURCE_DIR=<repository> [-DGRAPH=ON] -P cmake/CheckLayers.cmake
# GRAPH=ON also prints how many includes go from each folder to each other one.
#
# A folder under src/ that is missing from the layers fails the check, so that a new folder
# gets its place in the order.
cmake_minimum_required(VERSION 3.25)

include("${CMAKE_CURRENT_LIST_DIR}/Layers.cmake")

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "SOURCE_DIR is not set")
endif()
set(SRC "${SOURCE_DIR}/src")

# The layer of a path below src/ (its first folder) and its rank in LAYERS.
function(layer_of relative out_name out_rank)
  string(REGEX REPLACE "/.*" "" name "${relative}")
  list(FIND LAYERS "${name}" rank)
  set(${out_name} "${name}" PARENT_SCOPE)
  set(${out_rank} "${rank}" PARENT_SCOPE)
endfunction()

file(GLOB folders RELATIVE "${SRC}" "${SRC}/*")
set(failures "")
foreach(folder IN LISTS folders)
  if(IS_DIRECTORY "${SRC}/${folder}" AND NOT folder IN_LIST LAYERS)
    list(APPEND failures "src/${folder} has no place in the layers (cmake/CheckLayers.cmake)")
  endif()
endforeach()

file(GLOB_RECURSE sources RELATIVE "${SRC}"
     "${SRC}/*.h" "${SRC}/*.c" "${SRC}/*.cpp" "${SRC}/*.rc")
list(SORT sources)
set(edges "")
foreach(source IN LISTS sources)
  layer_of("${source}" from from_rank)
  get_filename_component(directory "${SRC}/${source}" DIRECTORY)
  file(STRINGS "${SRC}/${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+\"")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" header "${line}")
    # As the compiler finds it: beside the including file first, then below src/.
    if(EXISTS "${directory}/${header}")
      get_filename_component(target "${directory}/${header}" ABSOLUTE)
    else()
      get_filename_component(target "${SRC}/${header}" ABSOLUTE)
    endif()
    file(RELATIVE_PATH target "${SRC}" "${target}")
    if(target MATCHES "^\\.\\./" OR NOT EXISTS "${SRC}/${target}")
      continue()  # not one of ours (a system header, or one the build generates)
    endif()
    layer_of("${target}" to to_rank)
    if(NOT from STREQUAL to)
      list(APPEND edges "${from} -> ${to}")
    endif()
    if(from_rank GREATER_EQUAL 0 AND to_rank GREATER from_rank)
      list(APPEND failures "src/${source} includes ${target}: ${from} may not use ${to}")
    endif()
  endforeach()
endforeach()

if(GRAPH)
  print_edges("Includes between the folders of src/" "${edges}")
endif()

if(failures)
  list(JOIN failures "\n  " text)
  list(JOIN LAYERS " < " order)
  message(FATAL_ERROR "Includes that point up the layers (${order}):\n  ${text}")
endif()
