# Helpers shared by every subsystem's CMakeLists.

# Our warning set; third-party headers come in as system includes and stay quiet.
function(tarnolix_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(TARNOLIX_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# tarnolix_library(<name> DIR <dir> [DEPS ...] [PCH ...])
# One static library per subsystem; sources are every .cpp/.h under DIR.
function(tarnolix_library name)
  cmake_parse_arguments(ARG "" "DIR" "DEPS;PCH" ${ARGN})
  file(GLOB_RECURSE _srcs CONFIGURE_DEPENDS
       ${ARG_DIR}/*.cpp ${ARG_DIR}/*.h ${ARG_DIR}/*.qrc)
  add_library(${name} STATIC ${_srcs})
  # A header added by the glob must re-run moc: the depfile alone only tracks
  # headers moc has already seen.
  list(FILTER _srcs INCLUDE REGEX "\\.h$")
  set_property(TARGET ${name} APPEND PROPERTY AUTOGEN_TARGET_DEPENDS ${_srcs})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  if(ARG_PCH)
    target_precompile_headers(${name} PRIVATE ${ARG_PCH})
  endif()
  tarnolix_warnings(${name})
endfunction()

# tarnolix_test(<name> DIR <dir> [DEPS ...] [APP core|gui|widgets] [ENV ...] [DISPLAY])
# One executable (and one CTest entry) per test folder: Qt start-up per process is costly.
# Tests without DISPLAY run on the offscreen platform; DISPLAY tests need the X server
# scripts/test starts (Xvfb).
function(tarnolix_test name)
  cmake_parse_arguments(ARG "DISPLAY" "DIR;APP" "DEPS;ENV;SOURCES" ${ARGN})
  if(NOT ARG_APP)
    set(ARG_APP core)
  endif()
  file(GLOB _srcs CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp ${ARG_DIR}/*.h)
  add_executable(${name} ${_srcs} ${ARG_SOURCES})
  set(_hdrs ${_srcs})
  list(FILTER _hdrs INCLUDE REGEX "\\.h$")
  if(_hdrs)
    set_property(TARGET ${name} APPEND PROPERTY AUTOGEN_TARGET_DEPENDS ${_hdrs})
  endif()
  target_link_libraries(${name} PRIVATE tarnolix_test_main_${ARG_APP} ${ARG_DEPS} GTest::gtest Qt5::Test)
  target_compile_definitions(${name} PRIVATE TARNOLIX_TEST_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  target_precompile_headers(${name} PRIVATE <gtest/gtest.h> <QtCore/QtCore>)
  tarnolix_warnings(${name})
  set(_env ${ARG_ENV})
  if(NOT ARG_DISPLAY)
    list(APPEND _env QT_QPA_PLATFORM=offscreen)
  endif()
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${_env}" TIMEOUT 600)
endfunction()
