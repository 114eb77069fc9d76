# widl 7 writes the library's GUID entry of a type library with its last byte
# overwritten when a coclass lists more than one interface. This puts the
# LIBID back after widl has run.
#   cmake -DTLB=<file> -P fix_typelib.cmake
# The LIBID {A603CE99-ADCD-4212-8F0D-6A144E6D53ED} in file byte order:
set(libid "99ce03a6cdad12428f0d6a144e6d53ed")
file(READ "${TLB}" content HEX)
string(SUBSTRING "${libid}" 0 30 prefix)
string(FIND "${content}" "${prefix}" pos)
if(pos EQUAL -1)
  message(FATAL_ERROR "${TLB}: LIBID not found")
endif()
math(EXPR odd "${pos} % 2")
if(odd)
  message(FATAL_ERROR "${TLB}: LIBID not on a byte boundary")
endif()
math(EXPR last_pos "${pos} + 30")
string(SUBSTRING "${content}" ${last_pos} 2 last)
if(NOT last STREQUAL "ed")
  math(EXPR offset "${pos} / 2 + 15")
  execute_process(
    COMMAND sh -c "printf '\\355' | dd of='${TLB}' bs=1 seek=${offset} conv=notrunc status=none"
    RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${TLB}: patching the LIBID failed")
  endif()
endif()
