# The layers of src/, lowest first. A folder of src/ may use its own code and that of the
# folders before it in this list, never that of the folders after it: by includes
# (cmake/CheckLayers.cmake) and by symbols (cmake/CheckLayerSymbols.cmake). platform is the
# base: win32.h, through which every layer reaches the system, and the POSIX implementation of
# it below it, which includes nothing of ours.
set(LAYERS platform support format decode archive extract driver)

# Prints how often each edge ("from -> to") occurs in edges, under title.
function(print_edges title edges)
  set(graph "")
  list(SORT edges)
  set(seen "")
  foreach(edge IN LISTS edges)
    if(edge IN_LIST seen)
      continue()
    endif()
    list(APPEND seen "${edge}")
    set(count 0)
    foreach(other IN LISTS edges)
      if(other STREQUAL edge)
        math(EXPR count "${count} + 1")
      endif()
    endforeach()
    string(APPEND graph "  ${edge}: ${count}\n")
  endforeach()
  message("${title}:\n${graph}")
endfunction()
