cmake_minimum_required(VERSION 3.25)
# Checks a linked stub.exe: a GUI program of the architecture ARCH (x86: PE32, x64: PE32+), at
# most LIMIT bytes when LIMIT is above 0, static imports from Windows' KnownDLLs only, and the
# hardened, reproducible image: relocatable (DYNAMIC_BASE with its relocations), NX_COMPAT, and
# no link time in the header. Run with cmake -DSTUB=... -DARCH=x86|x64 -DLIMIT=... -DOBJDUMP=...
file(SIZE "${STUB}" size)
if(LIMIT GREATER 0 AND size GREATER LIMIT)
  message(FATAL_ERROR "stub.exe is ${size} bytes, more than the limit of ${LIMIT}")
endif()

if(ARCH STREQUAL "x86")
  set(format pei-i386)
elseif(ARCH STREQUAL "x64")
  set(format pei-x86-64)
else()
  message(FATAL_ERROR "ARCH must be x86 or x64, not \"${ARCH}\"")
endif()

execute_process(COMMAND "${OBJDUMP}" -p "${STUB}" OUTPUT_VARIABLE dump RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "objdump -p failed on ${STUB}")
endif()
if(NOT dump MATCHES "file format ${format}\n" OR NOT dump MATCHES "Subsystem[ \t]+00000002")
  message(FATAL_ERROR "stub.exe is not a Windows GUI program in the ${format} format")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" names "${dump}")
# A DLL that is not a KnownDLL is searched for in the installer's own directory first (often a
# downloads folder), where anyone may have put one: such DLLs are loaded at run time from the
# system directory instead. These are KnownDLLs on every Windows from 7 to 11.
set(allowed ADVAPI32.DLL CLBCATQ.DLL COMDLG32.DLL GDI32.DLL IMAGEHLP.DLL IMM32.DLL KERNEL32.DLL
    MSCTF.DLL MSVCRT.DLL NORMALIZ.DLL NSI.DLL OLE32.DLL OLEAUT32.DLL PSAPI.DLL RPCRT4.DLL
    SECHOST.DLL SETUPAPI.DLL SHELL32.DLL SHLWAPI.DLL USER32.DLL WLDAP32.DLL WS2_32.DLL)
set(imports "")
foreach(line IN LISTS names)
  string(REGEX REPLACE "DLL Name: " "" dll "${line}")
  string(STRIP "${dll}" dll)
  string(TOUPPER "${dll}" upper)
  if(NOT upper IN_LIST allowed)
    message(FATAL_ERROR "stub.exe imports ${dll}, which is not a KnownDLL: load it at run time "
                        "from the system directory (KnownDLLs: ${allowed})")
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

# Hardening: ASLR needs both the flag and the relocations to move the image; NX_COMPAT keeps
# data from running as code.
if(NOT dump MATCHES "DllCharacteristics[ \t]+[0-9a-fA-F]+[^\n]*\n([ \t]+[A-Z_]+\n)*[ \t]+DYNAMIC_BASE")
  message(FATAL_ERROR "stub.exe is not linked with DYNAMIC_BASE")
endif()
if(NOT dump MATCHES "DllCharacteristics[ \t]+[0-9a-fA-F]+[^\n]*\n([ \t]+[A-Z_]+\n)*[ \t]+NX_COMPAT")
  message(FATAL_ERROR "stub.exe is not linked with NX_COMPAT")
endif()
if(NOT dump MATCHES "Entry 5 [0-9a-f]+ 0*[1-9a-f][0-9a-f]* Base Relocation Directory")
  message(FATAL_ERROR "stub.exe has no base relocations: DYNAMIC_BASE could not move it")
endif()
# Reproducible: the header's TimeDateStamp (4 bytes, 8 bytes into the PE header) is zero, so
# two links of the same sources give the same bytes.
file(READ "${STUB}" pe_offset OFFSET 60 LIMIT 4 HEX)
string(SUBSTRING "${pe_offset}" 0 2 b0)
string(SUBSTRING "${pe_offset}" 2 2 b1)
math(EXPR stamp_offset "0x${b1}${b0} + 8")
file(READ "${STUB}" stamp OFFSET ${stamp_offset} LIMIT 4 HEX)
if(NOT stamp STREQUAL "00000000")
  message(FATAL_ERROR "stub.exe carries a link time (${stamp}): link with --no-insert-timestamp")
endif()

if(LIMIT GREATER 0)
  message(STATUS "stub.exe (${ARCH}): ${size} bytes (limit ${LIMIT}), imports ${imports}")
else()
  message(STATUS "stub.exe (${ARCH}): ${size} bytes, imports ${imports}")
endif()
