# Small helpers shared by every CMakeLists of the project.

set(ZP_PYTHON python3)

# libjpeg: Debian's libjpeg62-turbo-dev natively, our own static build of
# libjpeg-turbo (scripts/setup) for the MinGW targets. Gives zp::jpeg.
function(zp_find_jpeg)
  if(WIN32)
    set(root ${CMAKE_SOURCE_DIR}/.deps/${ZP_TRIPLET})
    if(NOT EXISTS ${root}/lib/libjpeg.a)
      message(FATAL_ERROR "libjpeg for ${ZP_TRIPLET} is missing: run scripts/setup")
    endif()
    add_library(zp::jpeg STATIC IMPORTED GLOBAL)
    set_target_properties(zp::jpeg PROPERTIES
      IMPORTED_LOCATION ${root}/lib/libjpeg.a
      INTERFACE_INCLUDE_DIRECTORIES ${root}/include)
  else()
    find_package(JPEG REQUIRED)
    # The archive where there is one, for the statically linked zpbuild.
    find_library(ZP_JPEG_ARCHIVE NAMES libjpeg.a)
    add_library(zp::jpeg INTERFACE IMPORTED GLOBAL)
    if(ZP_JPEG_ARCHIVE)
      target_link_libraries(zp::jpeg INTERFACE ${ZP_JPEG_ARCHIVE})
      target_include_directories(zp::jpeg INTERFACE ${JPEG_INCLUDE_DIRS})
    else()
      target_link_libraries(zp::jpeg INTERFACE JPEG::JPEG)
    endif()
  endif()
endfunction()

# zstd: Debian's static libzstd (libzstd-dev) natively, our own static build
# from Debian's source package (scripts/setup) for the MinGW targets. Static
# everywhere: zpbuild needs nothing beside it, and the program image takes
# only the decoder's objects. Gives zp::zstd.
function(zp_find_zstd)
  if(WIN32)
    set(root ${CMAKE_SOURCE_DIR}/.deps/${ZP_TRIPLET})
    set(library ${root}/lib/libzstd.a)
    set(include ${root}/include)
  else()
    find_library(ZP_ZSTD_LIBRARY NAMES libzstd.a)
    find_path(ZP_ZSTD_INCLUDE zdict.h)
    set(library ${ZP_ZSTD_LIBRARY})
    set(include ${ZP_ZSTD_INCLUDE})
  endif()
  if(NOT EXISTS "${library}" OR NOT EXISTS "${include}/zdict.h")
    message(FATAL_ERROR "zstd is missing: run scripts/setup")
  endif()
  add_library(zp::zstd STATIC IMPORTED GLOBAL)
  set_target_properties(zp::zstd PROPERTIES IMPORTED_LOCATION ${library})
  if(WIN32)
    set_target_properties(zp::zstd PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${include})
  endif()
endfunction()

function(zp_add_googletest)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  if(WIN32)
    # gtest's port customisation for the win32 thread model (no std::mutex).
    include_directories(BEFORE ${CMAKE_SOURCE_DIR}/cmake/gtest-win32)
  endif()
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endfunction()

# zp_test(NAME n SOURCES ... [LIBS ...] [WINDOWS] [TIMEOUT s] [LABELS ...])
# A GoogleTest executable registered with CTest. WINDOWS tests exist only in
# the Windows builds; every test exists only where the build can run it.
function(zp_test)
  cmake_parse_arguments(T "WINDOWS" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT ZP_RUNS_HERE OR ZP_FUZZ)
    return()
  endif()
  if(T_WINDOWS AND NOT WIN32)
    return()
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_compile_definitions(${T_NAME} PRIVATE
    ZP_SOURCE_DIR="${CMAKE_SOURCE_DIR}" ZP_BINARY_DIR="${CMAKE_BINARY_DIR}")
  if(WIN32)
    target_link_options(${T_NAME} PRIVATE -mconsole)
  endif()
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}")
endfunction()

# zp_fuzzer(NAME n SOURCES ... [LIBS ...]): a libFuzzer target, built in the
# fuzz preset only, with a bounded run registered as a test.
set(ZP_FUZZ_SECONDS 20 CACHE STRING "Seconds each fuzz target runs inside the tests")
function(zp_fuzzer)
  cmake_parse_arguments(F "" "NAME" "SOURCES;LIBS" ${ARGN})
  if(NOT ZP_FUZZ)
    return()
  endif()
  add_executable(${F_NAME} ${F_SOURCES})
  target_link_libraries(${F_NAME} PRIVATE ${F_LIBS})
  target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
  set(corpus ${CMAKE_BINARY_DIR}/corpus/${F_NAME})
  file(MAKE_DIRECTORY ${corpus})
  set(seeds ${CMAKE_SOURCE_DIR}/tests/fuzz/seeds/${F_NAME})
  if(NOT EXISTS ${seeds})
    set(seeds "")
  endif()
  # A finding (crash, leak, undefined behaviour, timeout) ends the run and
  # fails the test; its input is kept in findings/ for a seed and a fix.
  set(findings ${CMAKE_BINARY_DIR}/findings)
  file(MAKE_DIRECTORY ${findings})
  add_test(NAME ${F_NAME}
    COMMAND ${F_NAME} -max_total_time=${ZP_FUZZ_SECONDS} -timeout=10 -rss_limit_mb=2048
            -artifact_prefix=${findings}/${F_NAME}- -print_final_stats=1 ${corpus} ${seeds})
  set_tests_properties(${F_NAME} PROPERTIES LABELS fuzz TIMEOUT 600)
endfunction()

# zp_package_image(target): the executable will carry a package, so its PE
# header is moved to offset 256 to free bytes 136..139 for the package position.
function(zp_package_image target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${ZP_PYTHON} ${CMAKE_SOURCE_DIR}/cmake/pe_image.py move-header $<TARGET_FILE:${target}>
    VERBATIM)
endfunction()

# zp_whole_program(target): link-time optimisation of the program image. It
# drops the functions the image never calls, which the linker cannot do for
# the C++ objects: their unwind tables, kept whole, refer to every function.
# One partition: GCC 12 stops with an internal error when it splits the
# program into several.
function(zp_whole_program target)
  if(WIN32)
    target_link_options(${target} PRIVATE -flto -flto-partition=one)
  endif()
endfunction()

# The Windows DLLs that the programs load at their first call instead of
# importing them: zp_delay_user32 and so on, made at configure time by
# cmake/delay_import.py. The image then imports known DLLs of the system
# only; these DLLs, which under Wine import others that are not (user32
# imports version.dll), load after the entry has restricted the DLL search.
set(ZP_DELAY_LOADED user32 gdi32 comctl32 comdlg32 shell32 ole32 oleaut32)
function(zp_make_delay_imports)
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    set(machine amd64)
  else()
    set(machine i386)
  endif()
  set(folder ${CMAKE_BINARY_DIR}/delay)
  file(MAKE_DIRECTORY ${folder})
  set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/cmake/delay_import.py)
  foreach(dll ${ZP_DELAY_LOADED})
    find_library(ZP_IMPORT_LIB_${dll} NAMES ${dll} REQUIRED NO_CACHE)
    set(lib ${folder}/lib${dll}_delay.a)
    if(NOT EXISTS ${lib} OR ${CMAKE_SOURCE_DIR}/cmake/delay_import.py IS_NEWER_THAN ${lib})
      execute_process(COMMAND ${ZP_PYTHON} ${CMAKE_SOURCE_DIR}/cmake/delay_import.py ${CMAKE_NM} ${CMAKE_DLLTOOL}
                        ${ZP_IMPORT_LIB_${dll}} ${dll}.dll ${machine} ${lib}
                      COMMAND_ERROR_IS_FATAL ANY)
    endif()
    add_library(zp_delay_${dll} STATIC IMPORTED GLOBAL)
    set_target_properties(zp_delay_${dll} PROPERTIES IMPORTED_LOCATION ${lib})
  endforeach()
endfunction()

# zp_program_entry(target): the GUI program starts in ZpEntry
# (src/startup/Entry_win.cpp), which restricts the DLL search to the system
# folder and then starts the run-time library.
function(zp_program_entry target)
  target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/src/startup/Entry_win.cpp)
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    target_link_options(${target} PRIVATE -Wl,-e,ZpEntry)
  else()
    target_link_options(${target} PRIVATE -Wl,-e,_ZpEntry)
  endif()
  # A DLL import that is no known one of the system fails the build.
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${ZP_PYTHON} ${CMAKE_SOURCE_DIR}/cmake/pe_image.py imports $<TARGET_FILE:${target}>
    VERBATIM)
endfunction()

# zp_module(name [DEPS ...] [WINDOWS_DEPS ...]): a static library of every
# .cpp in the folder; Name_win.cpp files are built only for Windows and
# Name_posix.cpp files only natively.
function(zp_module name)
  cmake_parse_arguments(M "" "" "DEPS;WINDOWS_DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c)
  if(WIN32)
    list(FILTER sources EXCLUDE REGEX "_posix\\.cpp$")
  else()
    list(FILTER sources EXCLUDE REGEX "_win\\.cpp$")
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${M_DEPS})
  if(WIN32)
    set(deps)
    foreach(dep ${M_WINDOWS_DEPS})
      if(TARGET zp_delay_${dep})
        list(APPEND deps zp_delay_${dep})
      else()
        list(APPEND deps ${dep})
      endif()
    endforeach()
    target_link_libraries(${name} PUBLIC ${deps})
  endif()
endfunction()
