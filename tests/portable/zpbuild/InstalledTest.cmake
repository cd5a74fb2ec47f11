# Installs the build into a scratch prefix and checks that the installed
# zpbuild finds the translations installed with it, wherever the prefix is.
file(REMOVE_RECURSE ${WORK_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/prefix
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
set(zpbuild ${WORK_DIR}/prefix/bin/zpbuild)

function(build_with include expected)
  file(WRITE ${WORK_DIR}/p.toml "[product]\nname = \"x\"\n[translations]\ninclude = \"${include}\"\n")
  execute_process(COMMAND ${zpbuild} build ${WORK_DIR}/p.toml --stub ${WORK_DIR}/missing.exe
                  ERROR_VARIABLE err RESULT_VARIABLE result)
  string(FIND "${err}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "zpbuild with ${include}: expected \"${expected}\", got: ${err}")
  endif()
endfunction()

# The translation loads; the build then stops at the missing program image.
build_with("zpinstall:ru" "missing.exe")
build_with("zpinstall:xx" "(shipped: de, es, fr, ja, pt, ru, zh)")
message(STATUS "installed zpbuild finds its translations")
