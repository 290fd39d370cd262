# Writes the manual page of PROGRAM (NAME, SECTION, SUMMARY) to OUTPUT from the text
# of its --help, set as it stands: the help texts are the one description.
execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE help RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --help failed")
endif()
execute_process(COMMAND ${PROGRAM} --version OUTPUT_VARIABLE version)
string(STRIP "${version}" version)
# A program with subcommands gets each one's --help in a section of its own.
set(subcommands "")
string(FIND "${help}" "\nSubcommands:\n" at)
if(NOT at EQUAL -1)
  string(SUBSTRING "${help}" ${at} -1 list)
  string(REGEX MATCHALL "\n  [a-z-]+  " names "${list}")
  foreach(name ${names})
    string(STRIP "${name}" name)
    execute_process(COMMAND ${PROGRAM} ${name} --help OUTPUT_VARIABLE sub)
    string(APPEND subcommands ".SS ${name}\n${sub}")
  endforeach()
endif()
# roff: a backslash is written "\e"; a line starting with "." or "'" is
# protected by "\&".
foreach(text help subcommands)
  string(REPLACE "\\" "\\e" ${text} "${${text}}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" ${text} "${${text}}")
endforeach()
if(subcommands)
  string(REGEX REPLACE "(^|\n)\\\\&(\\.SS )" "\\1\\2" subcommands "${subcommands}")
  set(subcommands ".SH SUBCOMMANDS\n.nf\n${subcommands}.fi\n")
endif()
string(TOUPPER "${NAME}" title)
file(WRITE ${OUTPUT} ".TH ${title} ${SECTION} \"\" \"${version}\"\n"
  ".SH NAME\n${NAME} \\- ${SUMMARY}\n.SH DESCRIPTION\n.nf\n${help}.fi\n${subcommands}")
