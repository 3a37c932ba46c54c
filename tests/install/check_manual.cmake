# The manual page formats without a single warning: run as
#   cmake -DMANUAL=<orvtext.1> -P check_manual.cmake
find_program(GROFF groff)
if(NOT GROFF)
  message(FATAL_ERROR "groff is not installed (Debian: groff-base)")
endif()
execute_process(COMMAND ${GROFF} -man -ww -z ${MANUAL}
                RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT result EQUAL 0 OR NOT "${out}${err}" STREQUAL "")
  message(FATAL_ERROR "groff -man -ww -z ${MANUAL} reported:\n${out}${err}")
endif()
# Every section the manual promises is there.
file(READ ${MANUAL} text)
foreach(section NAME SYNOPSIS DESCRIPTION OPTIONS FILES ENVIRONMENT "EXIT STATUS" EXAMPLES "SEE ALSO")
  if(NOT text MATCHES "\n\\.SH \"?${section}\"?\n")
    message(FATAL_ERROR "the manual has no ${section} section")
  endif()
endforeach()
