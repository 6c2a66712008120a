cmake_minimum_required(VERSION 3.25)
# Fails when a product program holds anything of the POSIX layer's test seams, which belong to
# the tests' copy of the core only:
# - STUB, the stripped Linux stub: their namespaces (type names survive stripping), the call
#   recorder's texts, the names of the calls a test can make fail. (The recorder's "fault " is
#   left out: a sanitizer runtime linked into the stub holds it too.)
# - BINARY, a library or an unstripped program, read with NM: a symbol of the seams, defined or
#   needed.
# Run with cmake [-DSTUB=...] [-DBINARY=... -DNM=...] -P CheckNoSeams.cmake
if(STUB)
  set(texts posix_testing posix_seams "ExitProcess " "CloseHandle" "RemoveDirectoryA "
      "SetCurrentDirectoryA " "CreateProcessA " "ShellExecuteExA " "MessageBoxA " "CreateFileA"
      "GetTempFileNameA" "WaitForSingleObject")
  file(STRINGS "${STUB}" image)
  set(held "")
  foreach(text IN LISTS texts)
    string(FIND "${image}" "${text}" at)
    if(NOT at EQUAL -1)
      list(APPEND held "\"${text}\"")
    endif()
  endforeach()
  if(held)
    list(JOIN held ", " held)
    message(FATAL_ERROR "${STUB} holds the test seams' texts ${held}: the product must link "
                        "the core without seams (stubkit_core)")
  endif()
endif()

if(BINARY)
  execute_process(COMMAND "${NM}" -C "${BINARY}" OUTPUT_VARIABLE symbols ERROR_QUIET
                  RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${NM} could not read ${BINARY}")
  endif()
  # Named in those namespaces (a layer function may still take posix_testing::Api).
  string(REGEX MATCHALL "[0-9a-f ]* [A-Za-z] ([a-z ]+ for )?posix_(testing|seams)::[^\n]*" seams
         "${symbols}")
  if(seams)
    list(GET seams 0 first)
    list(LENGTH seams count)
    message(FATAL_ERROR "${BINARY} holds ${count} symbols of the test seams, such as "
                        "\"${first}\": the product must link the core without seams "
                        "(stubkit_core)")
  endif()
endif()
