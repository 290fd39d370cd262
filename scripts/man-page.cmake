# Writes the manual page of PROGRAM (NAME, SECTION, SUMMARY) to OUTPUT from the text
# of its --help, set as it stands: the help texts are the one description.
execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE help RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --help failed")
endif()
execute_process(COMMAND ${PROGRAM} --version OUTPUT_VARIABLE version)
string(STRIP "${version}" version)
# roff: a backslash is written "\e"; a line starting with "." or "'" is
# protected by "\&".
string(REPLACE "\\" "\\e" help "${help}")
string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
string(TOUPPER "${NAME}" title)
file(WRITE ${OUTPUT} ".TH ${title} ${SECTION} \"\" \"${version}\"\n"
  ".SH NAME\n${NAME} \\- ${SUMMARY}\n.SH DESCRIPTION\n.nf\n${help}.fi\n")
