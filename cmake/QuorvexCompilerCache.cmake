# Rebuilds on the 2-core machines stay incremental: use ccache when it is installed.
find_program(QUORVEX_CCACHE ccache)
if(QUORVEX_CCACHE AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
  set(CMAKE_CXX_COMPILER_LAUNCHER ${QUORVEX_CCACHE})
endif()
