cmake_minimum_required(VERSION 3.25)
# Fails when the linked Linux stub STUB holds anything of the POSIX layer's test seams: their
# namespaces (type names survive stripping), the call recorder's texts, the names of the calls
# a test can make fail. With LIBRARY and NM, also when the library the stub was linked from
# defines or needs a seam symbol. Those belong to the tests' copy of the layer. (The recorder's
# "fault " is left out: a sanitizer runtime linked into the stub holds it too.)
# Run with cmake -DSTUB=... [-DLIBRARY=... -DNM=...] -P CheckNoSeams.cmake
set(texts posix_testing posix_seams "ExitProcess " "CloseHandle" "RemoveDirectoryA "
    "SetCurrentDirectoryA " "CreateProcessA " "ShellExecuteExA " "MessageBoxA " "CreateFileA"
    "GetTempFileNameA" "WaitForSingleObject" "SysAllocString")
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
  message(FATAL_ERROR "${STUB} holds the test seams' texts ${held}: the product must link the "
                      "core without seams (stubkit_core)")
endif()

if(LIBRARY)
  execute_process(COMMAND "${NM}" -C "${LIBRARY}" OUTPUT_VARIABLE symbols ERROR_QUIET
                  RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${NM} could not read ${LIBRARY}")
  endif()
  # Named in those namespaces (a layer function may still take posix_testing::Api).
  string(REGEX MATCHALL "[0-9a-f ]* [A-Za-z] ([a-z ]+ for )?posix_(testing|seams)::[^\n]*" seams
         "${symbols}")
  if(seams)
    list(GET seams 0 first)
    list(LENGTH seams count)
    message(FATAL_ERROR "${LIBRARY} holds ${count} symbols of the test seams, such as "
                        "\"${first}\"")
  endif()
endif()
