# Compiler cache shared by every checkout: paths are made relative to the
# source root so a fresh clone elsewhere still hits the cache.
find_program(CCACHE_PROGRAM ccache)
if(CCACHE_PROGRAM)
  set(_tarnolix_ccache ${CMAKE_COMMAND} -E env
      CCACHE_BASEDIR=${CMAKE_SOURCE_DIR}
      CCACHE_NOHASHDIR=1
      CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
      ${CCACHE_PROGRAM})
  set(CMAKE_C_COMPILER_LAUNCHER ${_tarnolix_ccache})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${_tarnolix_ccache})
endif()
