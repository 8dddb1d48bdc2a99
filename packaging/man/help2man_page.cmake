# Makes a program's manual page from its own --help and --version with
# help2man, adds a section per command for a program with commands
# (`PROGRAM COMMAND --help`), appends the sections of INCLUDE, and writes the
# page gzip-compressed.
#
#   cmake -DHELP2MAN=... -DGZIP=gzip -DPROGRAM=... -DNAME="one line" -DINCLUDE=page.h2m
#         [-DCOMMANDS=ON] -DOUTPUT=page.1.gz -P help2man_page.cmake
foreach(var HELP2MAN GZIP PROGRAM NAME INCLUDE OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "help2man_page.cmake: ${var} is not set")
  endif()
endforeach()

# Text as roff lines kept as written: backslashes escaped, and a line that
# would start with a control character made literal.
function(roff_literal text out)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

get_filename_component(page "${OUTPUT}" NAME_WLE)
set(work "${OUTPUT}.work")
file(READ "${INCLUDE}" include_text)

if(COMMANDS)
  execute_process(COMMAND "${PROGRAM}" --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} --help failed")
  endif()
  string(REGEX MATCH "\nSubcommands:\n([^\n]+\n)+" listing "${help}")
  string(REGEX MATCHALL "\n  [a-z][a-z-]*" names "${listing}")
  get_filename_component(program_name "${PROGRAM}" NAME)
  set(sections "[COMMANDS]\n")
  foreach(name IN LISTS names)
    string(STRIP "${name}" name)
    execute_process(COMMAND "${PROGRAM}" ${name} --help OUTPUT_VARIABLE command_help RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "${PROGRAM} ${name} --help failed")
    endif()
    roff_literal("${command_help}" command_help)
    string(APPEND sections ".SS \"${program_name} ${name}\"\n.nf\n${command_help}.fi\n")
  endforeach()
  set(include_text "${sections}\n${include_text}")
endif()

file(WRITE "${work}.h2m" "${include_text}")
execute_process(
  COMMAND "${HELP2MAN}" --no-info "--name=${NAME}" "--include=${work}.h2m" "--output=${work}" "${PROGRAM}"
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "help2man could not make the page of ${PROGRAM}")
endif()
set(INPUT "${work}")
include("${CMAKE_CURRENT_LIST_DIR}/../gzip_file.cmake")
file(REMOVE "${work}" "${work}.h2m")
