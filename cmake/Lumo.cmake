# Shared build settings and the helper that turns a folder into a library.

set(LUMO_ROOT ${CMAKE_SOURCE_DIR})

add_library(lumo_options INTERFACE)
target_compile_options(lumo_options INTERFACE
  -Wall -Wextra -Wpedantic -Wno-unused-parameter -Wno-missing-field-initializers
  # Blend formulas must be bit-exact: no contraction into fused multiply-adds.
  -ffp-contract=off -fno-fast-math)
target_include_directories(lumo_options INTERFACE
  ${LUMO_ROOT}/platform ${LUMO_ROOT}/framework ${LUMO_ROOT})
if(LUMO_SANITIZE)
  target_compile_options(lumo_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
    -fno-sanitize-recover=undefined)
  target_link_options(lumo_options INTERFACE -fsanitize=address,undefined)
endif()
if(LUMO_TSAN)
  target_compile_options(lumo_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(lumo_options INTERFACE -fsanitize=thread)
endif()
if(LUMO_FUZZ)
  # Undefined behaviour stops the run like a crash, so that the input is kept.
  target_compile_options(lumo_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined
    -fno-sanitize-recover=undefined)
  target_link_options(lumo_options INTERFACE -fsanitize=address,undefined)
endif()
if(LUMO_SANITIZE OR LUMO_TSAN OR LUMO_FUZZ)
  # Line tables are all a sanitizer's report needs; the rest of the debug information costs compile
  # time and finds nothing.
  target_compile_options(lumo_options INTERFACE -g1)
endif()
if(CMAKE_BUILD_TYPE STREQUAL "Debug" OR LUMO_SANITIZE)
  target_compile_definitions(lumo_options INTERFACE LUMO_DEBUG=1)
endif()

# Precompiled headers. Parsing the standard headers is about half of a library object's compile
# time, and with GoogleTest's most of a test object's parsing: each set is compiled once per build
# by a target of its own and reused by every target built with the same flags (the compiler
# refuses a header built otherwise, and -Winvalid-pch says so). Only headers that change with the
# toolchain, never with our code, belong here. GCC's only: clang's are passed by absolute paths,
# which the compiler cache cannot share between checkouts.
set(LUMO_PCH_HEADERS <algorithm> <array> <atomic> <climits> <cmath> <cstddef> <cstdint> <cstdio>
  <cstdlib> <cstring> <functional> <map> <memory> <mutex> <new> <set> <string> <thread> <utility>
  <vector>)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  set(LUMO_PCH ON)
  file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/lumo_pch.cpp CONTENT "// The precompiled headers' own object.\n")
  add_library(lumo_pch OBJECT ${CMAKE_BINARY_DIR}/lumo_pch.cpp)
  target_link_libraries(lumo_pch PRIVATE lumo_options PkgConfig::SDL2)
  target_precompile_headers(lumo_pch PRIVATE ${LUMO_PCH_HEADERS})
endif()

# lumo_reuse_pch(target donor): the target's objects start from the donor's precompiled headers.
function(lumo_reuse_pch target donor)
  if(LUMO_PCH AND NOT target STREQUAL donor)
    target_precompile_headers(${target} REUSE_FROM ${donor})
  endif()
endfunction()

# lumo_library(name DIRS dir... [DEPS target...])
# Every .cpp below the listed folders belongs to the library; a folder with no
# sources yet still gives a target that others can link.
function(lumo_library name)
  cmake_parse_arguments(ARG "" "" "DIRS;DEPS" ${ARGN})
  set(sources)
  foreach(dir ${ARG_DIRS})
    file(GLOB_RECURSE found CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.c)
    list(APPEND sources ${found})
  endforeach()
  if(sources)
    add_library(${name} STATIC ${sources})
    target_link_libraries(${name} PUBLIC lumo_options ${ARG_DEPS})
    lumo_reuse_pch(${name} lumo_pch)
  else()
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE lumo_options ${ARG_DEPS})
  endif()
endfunction()

# lumo_test_program(target): how a GoogleTest program's own code is built (lumo_test_pch in
# tests/CMakeLists.txt builds the precompiled headers the same way).
function(lumo_test_program target)
  target_link_libraries(${target} PRIVATE lumo_options PkgConfig::SDL2 GTest::gtest GTest::gtest_main)
  # Line tables are all a failing test's backtrace needs; full debug information of GoogleTest's
  # templates is a third of the tests' compile time. Optimising the tests' own code (GoogleTest's
  # assertions, mostly) is most of the rest: -Og, while the code under test keeps the build's
  # optimisation.
  target_compile_options(${target} PRIVATE -g1 $<$<NOT:$<CONFIG:Debug>>:-Og>)
  lumo_reuse_pch(${target} lumo_test_pch)
endfunction()

# lumo_test(name DIRS dir... DEPS target...): one GoogleTest program per area.
function(lumo_test name)
  cmake_parse_arguments(ARG "" "" "DIRS;DEPS" ${ARGN})
  set(sources)
  foreach(dir ${ARG_DIRS})
    file(GLOB_RECURSE found CONFIGURE_DEPENDS ${dir}/*.cpp)
    list(APPEND sources ${found})
  endforeach()
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources} ${LUMO_ROOT}/tests/HeadlessByDefault.cpp)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gmock)
  lumo_test_program(${name})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
  # Headless drivers for every discovered test. Given to gtest_discover_tests, the list would be
  # split into separate arguments and only the first variable set; ctest reads this file after
  # the discovered list instead.
  set(env_file ${CMAKE_CURRENT_BINARY_DIR}/${name}_environment.cmake)
  file(WRITE ${env_file} "if(${name}_TESTS)\n  set_tests_properties(\${${name}_TESTS} PROPERTIES ENVIRONMENT \"SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy;LUMO_TEST=1\")\nendif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${env_file})
endfunction()

# lumo_label_tests(program label regex): the program's tests whose names (Suite.Test) match the
# regular expression carry the label. Tests that start threads carry "threads": scripts/test.sh
# tsan runs them under the thread sanitizer.
function(lumo_label_tests name label regex)
  if(NOT TARGET ${name})
    return()
  endif()
  set(file ${CMAKE_CURRENT_BINARY_DIR}/${name}_${label}_labels.cmake)
  file(WRITE ${file} "foreach(test IN LISTS ${name}_TESTS)\n  if(test MATCHES \"${regex}\")\n    set_tests_properties(\${test} PROPERTIES LABELS ${label})\n  endif()\nendforeach()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${file})
  # `<label>_tests` builds just the programs holding such tests (scripts/test.sh tsan).
  if(NOT TARGET ${label}_tests)
    add_custom_target(${label}_tests)
  endif()
  add_dependencies(${label}_tests ${name})
endfunction()

# lumo_resources(target NAME file [NAME file ...]): links the files into the program as its named
# resources (platform/win32/resources.h), as a Windows program's resource script does.
function(lumo_resources target)
  set(output ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.cpp)
  set(names)
  set(files)
  while(ARGN)
    list(POP_FRONT ARGN name file)
    list(APPEND names ${name})
    list(APPEND files ${file})
  endwhile()
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} "-DNAMES=${names}" "-DFILES=${files}" -DOUTPUT=${output}
            -P ${LUMO_ROOT}/cmake/EmbedResources.cmake
    DEPENDS ${files} ${LUMO_ROOT}/cmake/EmbedResources.cmake VERBATIM)
  target_sources(${target} PRIVATE ${output})
endfunction()
