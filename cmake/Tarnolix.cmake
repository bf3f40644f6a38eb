# Helpers shared by every subsystem's CMakeLists.

# Our warning set; third-party headers come in as system includes and stay quiet.
function(tarnolix_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(TARNOLIX_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# tarnolix_library(<name> DIR <dir> [DEPS ...] [PCH ...] [EXCLUDE <file> ...])
# One static library per subsystem; sources are every .cpp/.h under DIR but
# the EXCLUDE files (paths relative to DIR, e.g. an executable's main.cpp).
function(tarnolix_library name)
  cmake_parse_arguments(ARG "" "DIR" "DEPS;PCH;EXCLUDE" ${ARGN})
  file(GLOB_RECURSE _srcs CONFIGURE_DEPENDS
       ${ARG_DIR}/*.cpp ${ARG_DIR}/*.h ${ARG_DIR}/*.qrc)
  foreach(_excluded ${ARG_EXCLUDE})
    list(REMOVE_ITEM _srcs ${ARG_DIR}/${_excluded})
  endforeach()
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

# tarnolix_resources(<target> NAME <name> DIR <dir> PREFIX <prefix>)
# Compiles every file under DIR into the Qt resource <name>, each at PREFIX
# followed by its path below DIR (qml/main.qml -> qrc:/main.qml). The .qrc is
# written at configure time from a glob, so a new file needs no list edit;
# hidden files and README.md files stay out. A static library must call
# Q_INIT_RESOURCE(<name>) once: nothing else makes the linker keep it.
function(tarnolix_resources target)
  cmake_parse_arguments(ARG "" "NAME;DIR;PREFIX" "" ${ARGN})
  file(GLOB_RECURSE _files CONFIGURE_DEPENDS LIST_DIRECTORIES false RELATIVE ${ARG_DIR} ${ARG_DIR}/*)
  list(FILTER _files EXCLUDE REGEX "(^|/)(\\.[^/]*|README\\.md)$")
  list(SORT _files)
  set(_qrc "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"${ARG_PREFIX}\">\n")
  foreach(_file ${_files})
    string(REPLACE "&" "&amp;" _alias "${_file}")
    string(APPEND _qrc "  <file alias=\"${_alias}\">${ARG_DIR}/${_alias}</file>\n")
  endforeach()
  string(APPEND _qrc "</qresource>\n</RCC>\n")
  # Rewritten only when the list changed, so an unchanged folder rebuilds nothing.
  set(_qrc_file ${CMAKE_CURRENT_BINARY_DIR}/${ARG_NAME}.qrc)
  file(WRITE ${_qrc_file}.new "${_qrc}")
  configure_file(${_qrc_file}.new ${_qrc_file} COPYONLY)
  target_sources(${target} PRIVATE ${_qrc_file})
endfunction()

# tarnolix_test(<name> DIR <dir> [DEPS ...] [APP core|gui|widgets|app] [ENV ...] [DISPLAY])
# APP app runs the tests inside the real application object (tests/support/AppTestMain.cpp).
# One executable (and one CTest entry) per test folder: Qt start-up per process is costly.
# Tests without DISPLAY run on the offscreen platform; DISPLAY tests need the X server
# scripts/test starts (Xvfb).
function(tarnolix_test name)
  cmake_parse_arguments(ARG "DISPLAY" "DIR;APP;SHARDS" "DEPS;ENV;SOURCES" ${ARGN})
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
  # SHARDS n: a long executable runs as n CTest entries, each taking every
  # n-th test (GoogleTest's sharding), so each stays within the time-out and
  # the entries can run side by side.
  set(_entries ${name})
  if(ARG_SHARDS GREATER 1)
    set(_entries)
    math(EXPR _last "${ARG_SHARDS} - 1")
    foreach(_shard RANGE ${_last})
      math(EXPR _number "${_shard} + 1")
      set(_entry ${name}_${_number}_of_${ARG_SHARDS})
      add_test(NAME ${_entry} COMMAND ${name})
      set_tests_properties(${_entry} PROPERTIES ENVIRONMENT
                           "${_env};GTEST_TOTAL_SHARDS=${ARG_SHARDS};GTEST_SHARD_INDEX=${_shard}")
      list(APPEND _entries ${_entry})
    endforeach()
  else()
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${_env}")
  endif()
  set_tests_properties(${_entries} PROPERTIES TIMEOUT 600)
  if(ARG_DISPLAY)
    # The tests of a run share one X server, its pointer and its focus: a test
    # that moves the pointer or activates windows disturbs another's input.
    set_tests_properties(${_entries} PROPERTIES RESOURCE_LOCK tarnolix_display)
  endif()
endfunction()
