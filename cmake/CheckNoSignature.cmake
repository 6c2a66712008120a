cmake_minimum_required(VERSION 3.25)
# Fails when the linked stub STUB holds the six archive signature bytes in a row: the stub's
# scan of its own file would stop there instead of at the appended archive. Run with
# cmake -DSTUB=... -P CheckNoSignature.cmake
file(READ "${STUB}" image HEX)
set(base 0)
while(TRUE)
  string(FIND "${image}" "377abcaf271c" at)
  if(at EQUAL -1)
    break()
  endif()
  math(EXPR digit "${base} + ${at}")
  math(EXPR odd "${digit} % 2")
  # A match at an odd hex digit straddles two bytes: not the signature.
  if(odd EQUAL 0)
    math(EXPR offset "${digit} / 2")
    message(FATAL_ERROR "${STUB} holds the archive signature at byte ${offset}")
  endif()
  math(EXPR next "${at} + 1")
  string(SUBSTRING "${image}" ${next} -1 image)
  math(EXPR base "${base} + ${next}")
endwhile()
