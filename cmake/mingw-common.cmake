# Shared part of the two MinGW-w64 toolchains. The -posix compilers are not
# used: the project has no threads and the win32 model links smaller.
set(CMAKE_C_COMPILER ${ZP_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${ZP_TRIPLET}-g++)
set(CMAKE_RC_COMPILER ${ZP_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${ZP_TRIPLET} ${CMAKE_CURRENT_LIST_DIR}/../.deps/${ZP_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
