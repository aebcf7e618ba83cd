# Shared helpers for the targets of this tree.

# Sources of a folder, without its tests/, benchmarks/ and fuzz/ subfolders.
function(dravik_sources out dir)
  file(GLOB srcs CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h ${dir}/*.hpp)
  set(${out} ${srcs} PARENT_SCOPE)
endfunction()

# dravik_add_tests(<target> [LIBS <lib>...])
# One GoogleTest program per target, made of tests/*.cpp beside the target's
# sources. Tests run on Qt's offscreen platform, in a temporary working folder.
function(dravik_add_tests target)
  cmake_parse_arguments(ARG "" "TIMEOUT" "LIBS" ${ARGN})
  # TIMEOUT <seconds>: a hang fails after that rather than the suite's default.
  set(timeout)
  if(ARG_TIMEOUT)
    set(timeout TIMEOUT ${ARG_TIMEOUT})
  endif()
  file(GLOB test_srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp
       ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.h)
  if(NOT test_srcs)
    return()
  endif()
  set(exe ${target}_tests)
  add_executable(${exe} ${test_srcs})
  set_target_properties(${exe} PROPERTIES AUTOMOC ON)
  target_link_libraries(${exe} PRIVATE ${target} ${ARG_LIBS} dravik_testmain GTest::gtest GTest::gmock)
  target_compile_definitions(${exe} PRIVATE DRAVIK_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/tests/data")
  gtest_discover_tests(${exe}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=1"
               ${timeout})
endfunction()

# dravik_add_benchmark(<name> <sources...> LIBS <libs...>)
function(dravik_add_benchmark name)
  if(NOT DRAVIK_BENCHMARKS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  # Every benchmark runs with the heap settings the programs use.
  add_executable(${name} ${ARG_UNPARSED_ARGUMENTS} ${PROJECT_SOURCE_DIR}/platform/testing/benchheap.cpp)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} platform benchmark::benchmark_main)
endfunction()

# dravik_add_fuzzer(<name> <source> LIB <library>...)
# A libFuzzer target over the libraries, which are instrumented for coverage;
# the target links the fuzzer's own main. Only in the fuzz build.
function(dravik_add_fuzzer name source)
  if(NOT DRAVIK_FUZZ)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "LIB" ${ARGN})
  foreach(lib ${ARG_LIB})
    target_compile_options(${lib} PRIVATE -fsanitize=fuzzer-no-link)
  endforeach()
  add_executable(${name} ${source})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${ARG_LIB})
endfunction()
