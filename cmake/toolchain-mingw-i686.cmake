# Cross toolchain: 32-bit Windows (i686-w64-mingw32), GCC with POSIX threads
# preferred over the win32 thread model. Programs built here run under Wine
# through scripts/wine-run.sh (CMAKE_CROSSCOMPILING_EMULATOR).

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(BRISKO_MINGW_TRIPLE i686-w64-mingw32)

find_program(CMAKE_CXX_COMPILER NAMES
  ${BRISKO_MINGW_TRIPLE}-g++-posix ${BRISKO_MINGW_TRIPLE}-g++ REQUIRED)
find_program(CMAKE_C_COMPILER NAMES
  ${BRISKO_MINGW_TRIPLE}-gcc-posix ${BRISKO_MINGW_TRIPLE}-gcc REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${BRISKO_MINGW_TRIPLE}-windres windres REQUIRED)
find_program(CMAKE_AR NAMES ${BRISKO_MINGW_TRIPLE}-ar REQUIRED)
find_program(CMAKE_RANLIB NAMES ${BRISKO_MINGW_TRIPLE}-ranlib REQUIRED)
find_program(CMAKE_OBJDUMP NAMES ${BRISKO_MINGW_TRIPLE}-objdump REQUIRED)
find_program(CMAKE_STRIP NAMES ${BRISKO_MINGW_TRIPLE}-strip)
find_program(BRISKO_WIDL NAMES ${BRISKO_MINGW_TRIPLE}-widl widl REQUIRED
  DOC "IDL compiler producing headers and type libraries for the Windows target")

set(CMAKE_FIND_ROOT_PATH /usr/${BRISKO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No MinGW runtime DLL next to our binaries: libgcc, libstdc++ and winpthread
# are linked into every EXE and DLL.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# One Wine prefix (and test session state) per build folder.
get_filename_component(_brisko_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR
  "${_brisko_root}/scripts/wine-run.sh;--state-dir;${CMAKE_BINARY_DIR}/wine")
unset(_brisko_root)
