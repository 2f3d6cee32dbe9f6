# Helpers shared by every folder's CMakeLists.txt.

# rinkfall_library(NAME SOURCES ... [LIBS ...]): a static library of one layer.
function(rinkfall_library name)
  cmake_parse_arguments(L "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${L_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${RINKFALL_WARNINGS})
  target_link_libraries(${name} PUBLIC ${L_LIBS})
endfunction()

# rinkfall_test(NAME SOURCES ... [LIBS ...] [GUI] [GL] [TIMEOUT s])
#   GUI: widget tests, run on Qt's offscreen platform.
#   GL:  OpenGL tests, run on the X display that `make test` provides through xvfb-run.
# Every test case is registered with CTest on its own, discovered when the test runs.
function(rinkfall_test name)
  cmake_parse_arguments(T "GUI;GL" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${name} ${T_SOURCES})
  target_compile_options(${name} PRIVATE ${RINKFALL_WARNINGS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  set(env "ASAN_OPTIONS=detect_leaks=0:abort_on_error=0" "UBSAN_OPTIONS=print_stacktrace=1")
  if(T_GUI)
    list(APPEND env "QT_QPA_PLATFORM=offscreen")
  endif()
  if(T_GL)
    # llvmpipe everywhere, so results do not depend on a GPU that a developer happens to have.
    list(APPEND env "LIBGL_ALWAYS_SOFTWARE=1" "QT_QPA_PLATFORM=xcb")
  endif()
  if(T_GUI OR T_GL)
    # Also listing the cases opens the display; see tests/support/retry_lost_display.sh.
    set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR
      "bash;${PROJECT_SOURCE_DIR}/tests/support/retry_lost_display.sh")
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "${env}" TIMEOUT ${T_TIMEOUT})
endfunction()

# rinkfall_bench(NAME SOURCES ... [LIBS ...]): a Google Benchmark program, run by `make bench`.
function(rinkfall_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${B_SOURCES})
  target_compile_options(${name} PRIVATE ${RINKFALL_WARNINGS})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  set_property(GLOBAL APPEND PROPERTY RINKFALL_BENCHES ${name})
endfunction()
