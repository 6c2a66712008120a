# Fails when an object of src/ needs a symbol that only a layer above its own defines: an
# upward edge that no include shows, such as a function declared low and defined high.
#   cmake -DNM=<nm> -DOBJECTS=<a.o|b.o|...> [-DGRAPH=ON] -P cmake/CheckLayerSymbols.cmake
# An object's layer is the folder below src/ that its path names (the build keeps the source
# tree's folders). A symbol that several layers define (an inline function, a template) belongs
# to the lowest of them; one that no object defines is the system's or a library's.
# GRAPH=ON also prints how many needed symbols go from each layer to each other one.
cmake_minimum_required(VERSION 3.25)

include("${CMAKE_CURRENT_LIST_DIR}/Layers.cmake")

if(NOT NM OR NOT OBJECTS)
  message(FATAL_ERROR "NM and OBJECTS must be set")
endif()
string(REPLACE "|" ";" objects "${OBJECTS}")

# Runs nm over every object, one line a symbol: "<object>: <name> <type> ...".
function(symbol_lines option out)
  execute_process(COMMAND "${NM}" -A -P ${option} ${objects}
                  OUTPUT_VARIABLE text RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${NM} failed on the objects")
  endif()
  string(REPLACE "\n" ";" lines "${text}")
  set(${out} "${lines}" PARENT_SCOPE)
endfunction()

set(line_pattern "^(.*/src/([a-z]+)/[^:]*): ([^ ]+) ")

symbol_lines(--defined-only defined)
foreach(line IN LISTS defined)
  if(NOT line MATCHES "${line_pattern}")
    continue()
  endif()
  list(FIND LAYERS "${CMAKE_MATCH_2}" rank)
  set(symbol "${CMAKE_MATCH_3}")
  if(rank GREATER_EQUAL 0 AND (NOT DEFINED "rank_${symbol}" OR rank LESS "${rank_${symbol}}"))
    set("rank_${symbol}" ${rank})
  endif()
endforeach()

symbol_lines(--undefined-only needed)
set(failures "")
set(edges "")
foreach(line IN LISTS needed)
  if(NOT line MATCHES "${line_pattern}")
    continue()
  endif()
  set(object "${CMAKE_MATCH_1}")
  set(from "${CMAKE_MATCH_2}")
  set(symbol "${CMAKE_MATCH_3}")
  list(FIND LAYERS "${from}" from_rank)
  if(NOT DEFINED "rank_${symbol}")
    continue()  # the system's or a library's
  endif()
  set(to_rank "${rank_${symbol}}")
  list(GET LAYERS ${to_rank} to)
  if(NOT from STREQUAL to)
    list(APPEND edges "${from} -> ${to}")
  endif()
  if(from_rank LESS 0 OR to_rank GREATER from_rank)
    string(REGEX REPLACE ".*/src/" "src/" object "${object}")
    list(APPEND failures "${object} needs ${symbol}, which only ${to} defines")
  endif()
endforeach()

if(GRAPH)
  print_edges("Symbols needed between the layers of src/" "${edges}")
endif()

if(failures)
  list(JOIN failures "\n  " text)
  list(JOIN LAYERS " < " order)
  message(FATAL_ERROR "Objects that need symbols of a layer above their own (${order}):\n  ${text}")
endif()
