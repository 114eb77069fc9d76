# Build and test set-up shared by the native build and the MinGW cross build.
#
# Variables
#   BRISKO_WINDOWS          TRUE when the target is Windows (the MinGW build)
#   BRISKO_TEST_LABEL       "windows" or "native": label of every test added here
#   BRISKO_WARNING_FLAGS    flags that brisko_warnings() adds (C and C++)
#   BRISKO_CXX_WARNING_FLAGS  extra C++-only flags
#   BRISKO_WIDL             widl (cache, from the toolchain file)
#   BRISKO_WIDL_INCLUDE_DIR folder with oaidl.idl etc. (cache)
#   BRISKO_WIDL_LIBRARY_DIR folder with stdole2.tlb (cache)
#   BRISKO_WIDL_FLAGS       -I <include dir> -L <library dir>, for widl commands
#   BRISKO_WINE_RUN         scripts/wine-run.sh (Windows build)
#   BRISKO_WINE_STATE_DIR   <build>/wine: Wine prefix and test session state
#   BRISKO_WINE_FIXTURE     CTest fixture that provides Xvfb + wineserver
#   BRISKO_SANITIZE         cache option: ASan + UBSan for the native build
#
# Targets
#   brisko::gtest_main  brisko::gmock          both builds
#   brisko::benchmark   brisko::benchmark_main native build, when found
#
# Functions
#   brisko_warnings(<target>...)
#   brisko_add_test(NAME <n> SOURCES <src>... [LIBS <lib>...] [ARGS <arg>...]
#                   [LABELS <l>...] [ENVIRONMENT <VAR=value>...]
#                   [TIMEOUT <s>] [WORKING_DIRECTORY <dir>])
#   brisko_add_program_test(NAME <n> COMMAND <cmd> [<arg>...]
#                   [LABELS <l>...] [ENVIRONMENT <VAR=value>...] [TIMEOUT <s>]
#                   [WORKING_DIRECTORY <dir>] [PASS_REGULAR_EXPRESSION <re>]
#                   [FAIL_REGULAR_EXPRESSION <re>] [WILL_FAIL])
#   brisko_check_static_runtime(<target>... [NAME <n>])
include_guard(GLOBAL)

get_filename_component(BRISKO_SOURCE_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(_brisko_cmake_dir "${CMAKE_CURRENT_LIST_DIR}")

if(NOT DEFINED BRISKO_BUILD_TESTS)
  set(BRISKO_BUILD_TESTS ON)
endif()

if(WIN32)
  set(BRISKO_WINDOWS TRUE)
  set(BRISKO_TEST_LABEL windows)
else()
  set(BRISKO_WINDOWS FALSE)
  set(BRISKO_TEST_LABEL native)
endif()

set(CMAKE_EXPORT_COMPILE_COMMANDS ON)

# --- Warnings --------------------------------------------------------------

set(BRISKO_WARNING_FLAGS
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wcast-qual -Wformat=2
  -Wimplicit-fallthrough -Wundef -Werror)
set(BRISKO_CXX_WARNING_FLAGS -Woverloaded-virtual -Wextra-semi)

function(brisko_warnings)
  foreach(target IN LISTS ARGN)
    target_compile_options(${target} PRIVATE
      "$<$<COMPILE_LANGUAGE:C,CXX>:${BRISKO_WARNING_FLAGS}>"
      "$<$<COMPILE_LANGUAGE:CXX>:${BRISKO_CXX_WARNING_FLAGS}>")
  endforeach()
endfunction()

# --- Sanitizers (native only) ----------------------------------------------

option(BRISKO_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer (native only)" OFF)
set(_brisko_test_env "")
if(BRISKO_SANITIZE)
  if(BRISKO_WINDOWS)
    message(FATAL_ERROR "BRISKO_SANITIZE is for the native build only")
  endif()
  set(_brisko_san_flags -fsanitize=address,undefined -fno-sanitize-recover=all)
  add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:${_brisko_san_flags};-fno-omit-frame-pointer>")
  add_link_options(${_brisko_san_flags})
  set(_brisko_test_env
    "ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1:strict_init_order=1"
    "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
endif()

# --- GoogleTest and Google Benchmark ---------------------------------------

if(BRISKO_BUILD_TESTS)
  add_library(_brisko_gtest_main INTERFACE)
  add_library(_brisko_gmock INTERFACE)
  add_library(brisko::gtest_main ALIAS _brisko_gtest_main)
  add_library(brisko::gmock ALIAS _brisko_gmock)

  if(BRISKO_WINDOWS)
    # Built from source with the cross compiler; its own warning flags, never -Werror.
    set(BRISKO_GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources for the Windows build")
    if(NOT EXISTS "${BRISKO_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt")
      message(FATAL_ERROR "GoogleTest sources not found in ${BRISKO_GOOGLETEST_SOURCE_DIR} (run scripts/bootstrap.sh)")
    endif()
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
    add_subdirectory("${BRISKO_GOOGLETEST_SOURCE_DIR}" "${CMAKE_BINARY_DIR}/_deps/googletest"
      EXCLUDE_FROM_ALL SYSTEM)
    target_link_libraries(_brisko_gtest_main INTERFACE gtest_main gtest)
    target_link_libraries(_brisko_gmock INTERFACE gmock)
  else()
    find_package(GTest REQUIRED CONFIG)
    include(GoogleTest)
    target_link_libraries(_brisko_gtest_main INTERFACE GTest::gtest_main GTest::gtest)
    target_link_libraries(_brisko_gmock INTERFACE GTest::gmock)
  endif()
endif()

if(NOT BRISKO_WINDOWS)
  if(BRISKO_BUILD_BENCH)
    find_package(benchmark REQUIRED CONFIG)
  else()
    find_package(benchmark QUIET CONFIG)
  endif()
  if(benchmark_FOUND)
    add_library(_brisko_benchmark INTERFACE)
    add_library(_brisko_benchmark_main INTERFACE)
    target_link_libraries(_brisko_benchmark INTERFACE benchmark::benchmark)
    target_link_libraries(_brisko_benchmark_main INTERFACE benchmark::benchmark_main benchmark::benchmark)
    add_library(brisko::benchmark ALIAS _brisko_benchmark)
    add_library(brisko::benchmark_main ALIAS _brisko_benchmark_main)
  endif()
endif()

# --- Wine test session -----------------------------------------------------

set(BRISKO_WINE_RUN "${BRISKO_SOURCE_ROOT}/scripts/wine-run.sh")
set(BRISKO_WINE_STATE_DIR "${CMAKE_BINARY_DIR}/wine")
set(BRISKO_WINE_FIXTURE "")
if(BRISKO_WINDOWS AND CMAKE_CROSSCOMPILING)
  # MinGW ships no .idl files; Wine's SDK has oaidl.idl, ocidl.idl & co.
  find_path(BRISKO_WIDL_INCLUDE_DIR oaidl.idl
    PATHS /usr/include/wine/wine/windows /usr/include/wine/windows
    NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH
    DOC "Folder with the system .idl files for ${BRISKO_WIDL}")
  find_path(BRISKO_WIDL_LIBRARY_DIR stdole2.tlb
    PATHS /usr/lib/i386-linux-gnu/wine/i386-windows
    NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH
    DOC "Folder with stdole2.tlb for importlib() in .idl files")
  foreach(_d IN ITEMS INCLUDE LIBRARY)
    if(NOT BRISKO_WIDL_${_d}_DIR)
      message(FATAL_ERROR "widl support files not found (libwine-dev, wine32): run scripts/bootstrap.sh")
    endif()
  endforeach()
  set(BRISKO_WIDL_FLAGS -I "${BRISKO_WIDL_INCLUDE_DIR}" -L "${BRISKO_WIDL_LIBRARY_DIR}")
  if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
    set(CMAKE_CROSSCOMPILING_EMULATOR "${BRISKO_WINE_RUN};--state-dir;${BRISKO_WINE_STATE_DIR}")
  endif()
  if(BRISKO_BUILD_TESTS)
    # One Xvfb display and one wineserver for the whole run: every Windows
    # test requires this fixture, CTest orders setup first and cleanup last.
    set(BRISKO_WINE_FIXTURE brisko_wine_session)
    add_test(NAME wine.session.start
      COMMAND "${BRISKO_WINE_RUN}" --state-dir "${BRISKO_WINE_STATE_DIR}" --start-session)
    add_test(NAME wine.session.stop
      COMMAND "${BRISKO_WINE_RUN}" --state-dir "${BRISKO_WINE_STATE_DIR}" --stop-session)
    set_tests_properties(wine.session.start PROPERTIES
      FIXTURES_SETUP ${BRISKO_WINE_FIXTURE} LABELS windows TIMEOUT 600)
    set_tests_properties(wine.session.stop PROPERTIES
      FIXTURES_CLEANUP ${BRISKO_WINE_FIXTURE} LABELS windows TIMEOUT 60)
  endif()
endif()

# Environment of script-driven tests: "$BRISKO_RUN" <program> <args>... runs
# a program built for the target (Wine on the Windows build, directly natively).
if(BRISKO_WINDOWS AND CMAKE_CROSSCOMPILING)
  set(_brisko_program_env "BRISKO_RUN=${BRISKO_WINE_RUN}" "BRISKO_WINE_STATE=${BRISKO_WINE_STATE_DIR}")
else()
  set(_brisko_program_env "BRISKO_RUN=env")
endif()

# --- Tests -----------------------------------------------------------------

function(_brisko_windows_test_properties test)
  if(BRISKO_WINE_FIXTURE)
    set_property(TEST ${test} APPEND PROPERTY FIXTURES_REQUIRED ${BRISKO_WINE_FIXTURE})
  endif()
endfunction()

function(brisko_add_test)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "NAME;TIMEOUT;WORKING_DIRECTORY"
    "SOURCES;LIBS;ARGS;LABELS;ENVIRONMENT")
  if(NOT arg_NAME OR NOT arg_SOURCES)
    message(FATAL_ERROR "brisko_add_test: NAME and SOURCES are required")
  endif()
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "brisko_add_test(${arg_NAME}): unknown arguments ${arg_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT BRISKO_BUILD_TESTS)
    return()
  endif()
  if(NOT arg_WORKING_DIRECTORY)
    set(arg_WORKING_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}")
  endif()

  add_executable(${arg_NAME} ${arg_SOURCES})
  target_link_libraries(${arg_NAME} PRIVATE ${arg_LIBS} brisko::gtest_main brisko::gmock)
  brisko_warnings(${arg_NAME})

  set(labels ${BRISKO_TEST_LABEL} ${arg_LABELS})
  set(env ${_brisko_test_env} ${arg_ENVIRONMENT})
  if(BRISKO_WINDOWS)
    # One CTest test per executable: every Wine start costs time.
    if(NOT arg_TIMEOUT)
      set(arg_TIMEOUT 600)
    endif()
    add_test(NAME ${arg_NAME} COMMAND ${arg_NAME} ${arg_ARGS}
      WORKING_DIRECTORY "${arg_WORKING_DIRECTORY}")
    set_tests_properties(${arg_NAME} PROPERTIES LABELS "${labels}" TIMEOUT ${arg_TIMEOUT})
    if(env)
      set_tests_properties(${arg_NAME} PROPERTIES ENVIRONMENT "${env}")
    endif()
    _brisko_windows_test_properties(${arg_NAME})
  else()
    if(NOT arg_TIMEOUT)
      set(arg_TIMEOUT 120)
    endif()
    # List-valued properties do not survive gtest_discover_tests(PROPERTIES):
    # they are set by a CTest include file that runs after discovery.
    set(list_var "_brisko_tests_${arg_NAME}")
    gtest_discover_tests(${arg_NAME}
      TEST_PREFIX "${arg_NAME}."
      TEST_LIST ${list_var}
      EXTRA_ARGS ${arg_ARGS}
      WORKING_DIRECTORY "${arg_WORKING_DIRECTORY}"
      DISCOVERY_MODE PRE_TEST
      DISCOVERY_TIMEOUT 60
      PROPERTIES TIMEOUT ${arg_TIMEOUT})
    set(props "LABELS [==[${labels}]==]")
    if(env)
      string(APPEND props " ENVIRONMENT [==[${env}]==]")
    endif()
    set(props_file "${CMAKE_CURRENT_BINARY_DIR}/${arg_NAME}_properties.cmake")
    file(WRITE "${props_file}"
      "if(${list_var})\n"
      "  set_tests_properties(\${${list_var}} PROPERTIES ${props})\n"
      "endif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${props_file}")
  endif()
endfunction()

function(brisko_add_program_test)
  cmake_parse_arguments(PARSE_ARGV 0 arg "WILL_FAIL"
    "NAME;TIMEOUT;WORKING_DIRECTORY;PASS_REGULAR_EXPRESSION;FAIL_REGULAR_EXPRESSION"
    "COMMAND;LABELS;ENVIRONMENT")
  if(NOT arg_NAME OR NOT arg_COMMAND)
    message(FATAL_ERROR "brisko_add_program_test: NAME and COMMAND are required")
  endif()
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "brisko_add_program_test(${arg_NAME}): unknown arguments ${arg_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT BRISKO_BUILD_TESTS)
    return()
  endif()
  if(NOT arg_WORKING_DIRECTORY)
    set(arg_WORKING_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}")
  endif()
  if(NOT arg_TIMEOUT)
    if(BRISKO_WINDOWS)
      set(arg_TIMEOUT 600)
    else()
      set(arg_TIMEOUT 120)
    endif()
  endif()

  # An executable target as the command runs through the emulator (Wine).
  add_test(NAME ${arg_NAME} COMMAND ${arg_COMMAND} WORKING_DIRECTORY "${arg_WORKING_DIRECTORY}")
  set(labels ${BRISKO_TEST_LABEL} ${arg_LABELS})
  set(env ${_brisko_program_env} ${_brisko_test_env} ${arg_ENVIRONMENT})
  set_tests_properties(${arg_NAME} PROPERTIES
    LABELS "${labels}" TIMEOUT ${arg_TIMEOUT} ENVIRONMENT "${env}")
  foreach(p PASS_REGULAR_EXPRESSION FAIL_REGULAR_EXPRESSION)
    if(DEFINED arg_${p})
      set_tests_properties(${arg_NAME} PROPERTIES ${p} "${arg_${p}}")
    endif()
  endforeach()
  if(arg_WILL_FAIL)
    set_tests_properties(${arg_NAME} PROPERTIES WILL_FAIL TRUE)
  endif()
  if(BRISKO_WINDOWS)
    _brisko_windows_test_properties(${arg_NAME})
  endif()
endfunction()

# Fails when one of the given targets imports a MinGW runtime DLL.
function(brisko_check_static_runtime)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "NAME" "")
  set(targets ${arg_UNPARSED_ARGUMENTS})
  if(NOT BRISKO_WINDOWS OR NOT BRISKO_BUILD_TESTS OR NOT targets)
    return()
  endif()
  if(NOT arg_NAME)
    get_property(n GLOBAL PROPERTY _brisko_static_runtime_checks)
    if(n)
      set(arg_NAME "static_runtime.${n}")
      math(EXPR n "${n} + 1")
    else()
      set(arg_NAME static_runtime)
      set(n 1)
    endif()
    set_property(GLOBAL PROPERTY _brisko_static_runtime_checks ${n})
  endif()
  set(files "")
  foreach(t IN LISTS targets)
    list(APPEND files "$<TARGET_FILE:${t}>")
  endforeach()
  add_test(NAME ${arg_NAME}
    COMMAND "${CMAKE_COMMAND}" "-DOBJDUMP=${CMAKE_OBJDUMP}"
            -P "${_brisko_cmake_dir}/BriskoCheckImports.cmake" -- ${files})
  set_tests_properties(${arg_NAME} PROPERTIES LABELS windows TIMEOUT 60)
endfunction()
