cmake_minimum_required(VERSION 3.25)
# Checks a linked stub.exe: at most LIMIT bytes, a 32-bit GUI program, and imports from the
# system DLLs the stub is meant to use only. Run with cmake -DSTUB=... -DLIMIT=... -DOBJDUMP=...
file(SIZE "${STUB}" size)
if(size GREATER LIMIT)
  message(FATAL_ERROR "stub.exe is ${size} bytes, more than the limit of ${LIMIT}")
endif()

execute_process(COMMAND "${OBJDUMP}" -p "${STUB}" OUTPUT_VARIABLE dump RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "objdump -p failed on ${STUB}")
endif()
if(NOT dump MATCHES "file format pei-i386" OR NOT dump MATCHES "Subsystem[ \t]+00000002")
  message(FATAL_ERROR "stub.exe is not a 32-bit Windows GUI program")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" names "${dump}")
set(allowed KERNEL32.DLL USER32.DLL COMCTL32.DLL OLEAUT32.DLL MSVCRT.DLL ADVAPI32.DLL SHELL32.DLL)
set(imports "")
foreach(line IN LISTS names)
  string(REGEX REPLACE "DLL Name: " "" dll "${line}")
  string(STRIP "${dll}" dll)
  string(TOUPPER "${dll}" upper)
  if(NOT upper IN_LIST allowed)
    message(FATAL_ERROR "stub.exe imports ${dll}, which is not one of: ${allowed}")
  endif()
  list(APPEND imports "${dll}")
endforeach()
# Without the C runtime's start-up code, a runtime routine that mingw's import libraries only
# offer as data (atexit, for one) binds a call straight into the import address table, which
# crashes at run time. Refuse any direct call or jump into the import section.
execute_process(COMMAND "${OBJDUMP}" -h "${STUB}" OUTPUT_VARIABLE headers)
if(headers MATCHES "\\.idata +([0-9a-f]+) +([0-9a-f]+)")
  math(EXPR idata_start "0x${CMAKE_MATCH_2}")
  math(EXPR idata_end "0x${CMAKE_MATCH_2} + 0x${CMAKE_MATCH_1}")
  execute_process(COMMAND "${OBJDUMP}" -d "${STUB}" OUTPUT_VARIABLE code)
  string(REGEX MATCHALL "(call|jmp) +0x[0-9a-f]+" branches "${code}")
  foreach(branch IN LISTS branches)
    string(REGEX REPLACE ".*0x" "" target "${branch}")
    math(EXPR target "0x${target}")
    if(target GREATER_EQUAL idata_start AND target LESS idata_end)
      message(FATAL_ERROR "stub.exe branches into its import table (${branch}): a runtime "
                          "routine is bound to an import slot instead of code")
    endif()
  endforeach()
endif()

message(STATUS "stub.exe: ${size} bytes (limit ${LIMIT}), imports ${imports}")
