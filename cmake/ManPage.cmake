# Writes the manual page of quillon from the program's own help texts, so
# that the page says exactly what --help says.
#   cmake -DQUILLON=<program> -DOUT=<quillon.1> -DVERSION=<x.y.z> -P ManPage.cmake

function(help_of out)
  execute_process(COMMAND ${QUILLON} ${ARGN} --help
                  OUTPUT_VARIABLE text RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${QUILLON} ${ARGN} --help failed (${status})")
  endif()
  # roff: backslashes and minus signs escaped, no line taken for a request.
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

execute_process(COMMAND ${QUILLON} --help OUTPUT_VARIABLE plain)
# The commands are the indented words of the overview's "Commands:" block.
string(REGEX MATCH "Commands:\n(  [a-z]+ [^\n]*\n)+" block "${plain}")
string(REGEX MATCHALL "\n  [a-z]+" commands "${block}")
string(REGEX REPLACE "\n  " "" commands "${commands}")
if(NOT commands)
  message(FATAL_ERROR "no commands in the help text of ${QUILLON}")
endif()

help_of(overview)
set(page ".TH QUILLON 1 \"\" \"Quillon ${VERSION}\" \"User Commands\"\n")
string(APPEND page ".SH NAME\nquillon \\- audio CD ripper, converter, tagger and recorder\n")
string(APPEND page ".SH SYNOPSIS\n.nf\n${overview}.fi\n")
string(APPEND page ".SH COMMANDS\n")
foreach(command ${commands})
  help_of(text ${command})
  string(APPEND page ".SS ${command}\n.nf\n${text}.fi\n")
endforeach()
file(WRITE "${OUT}" "${page}")
