# SPDX-License-Identifier: GPL-3.0-or-later
# Writes a program's manual page with help2man, gzipped.
#   cmake -DHELP2MAN=... -DGZIP=... -DPROGRAM=... -DINCLUDE=... -DOUTPUT=x.1.gz -P manpage.cmake
# The version comes from the program's --version, without the library lines
# after its first line: those name the machine the page was made on.
execute_process(COMMAND ${PROGRAM} --version OUTPUT_VARIABLE report RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "${PROGRAM} --version failed: ${failed}")
endif()
string(FIND "${report}" "\n" first_end)
string(FIND "${report}" "\n\n" notice_start)
if(first_end LESS 1 OR notice_start LESS first_end)
    message(FATAL_ERROR "${PROGRAM} --version printed no version line and notice")
endif()
string(SUBSTRING "${report}" 0 ${first_end} version_line)
string(SUBSTRING "${report}" ${notice_start} -1 notice)

string(REGEX REPLACE "\\.gz$" "" page "${OUTPUT}")
execute_process(COMMAND ${HELP2MAN} --no-info --no-discard-stderr --include=${INCLUDE}
                        "--version-string=${version_line}${notice}" --output=${page} ${PROGRAM}
                RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "help2man failed on ${PROGRAM}")
endif()
execute_process(COMMAND ${GZIP} -9nf ${page} RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "gzip failed on ${page}")
endif()
