# Installs the build into a temporary prefix and checks what arrives there:
# the program, which runs and tells its version, and the manual page. Run as
#   cmake -DBUILD=<build folder> -DVERSION=<x.y.z> -DWORK=<scratch> -P check_install.cmake
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${WORK}/prefix
                RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed:\n${out}${err}")
endif()
foreach(installed bin/orvtext share/man/man1/orvtext.1)
  if(NOT EXISTS ${WORK}/prefix/${installed})
    message(FATAL_ERROR "${installed} was not installed")
  endif()
endforeach()
execute_process(COMMAND ${WORK}/prefix/bin/orvtext --version
                RESULT_VARIABLE result OUTPUT_VARIABLE out)
if(NOT result EQUAL 0 OR NOT out STREQUAL "orvtext ${VERSION}\n")
  message(FATAL_ERROR "the installed program says \"${out}\" (status ${result})")
endif()
file(READ ${WORK}/prefix/share/man/man1/orvtext.1 manual)
if(NOT manual MATCHES "orvtext ${VERSION}")
  message(FATAL_ERROR "the installed manual does not carry version ${VERSION}")
endif()
file(REMOVE_RECURSE ${WORK})
