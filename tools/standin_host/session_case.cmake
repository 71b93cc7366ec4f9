# Runs one session script of testdata/ in the stand-in host with the real plug-in, and checks the
# output against the script's own lines: "#expect REGEX" (each must match, in this order),
# "#reject REGEX" (none may match) and "#exit N". In a regex "\n" stands for a line break.
#   cmake -DEMULATOR=wine -DPROGRAM=host.exe -DPLUGIN=Zeldrium.dll -DSTORE=dir -DSCRIPT=file
#         -DWORK=dir -DPATH_PREFIX=Z: -P session_case.cmake
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
# A copy of its own: the plug-in keeps its settings beside itself, and a test must start without
# any, and leave none where another test would find them.
file(COPY "${PLUGIN}" DESTINATION "${WORK}")
get_filename_component(plugin_name "${PLUGIN}" NAME)
execute_process(
  COMMAND ${EMULATOR} "${PROGRAM}" --data "${PATH_PREFIX}${STORE}"
          --plugin "${PATH_PREFIX}${WORK}/${plugin_name}" --script "${PATH_PREFIX}${SCRIPT}"
  WORKING_DIRECTORY "${WORK}"
  RESULT_VARIABLE status
  OUTPUT_VARIABLE out
  ERROR_VARIABLE err
  TIMEOUT 120)

set(failed "")
file(STRINGS "${SCRIPT}" exit_lines REGEX "^#exit ")
string(REGEX REPLACE "^#exit +" "" expect_exit "${exit_lines}")
if(NOT "${status}" STREQUAL "${expect_exit}")
  string(APPEND failed "exit status ${status}, expected ${expect_exit}\n")
endif()

file(STRINGS "${SCRIPT}" expects REGEX "^#expect ")
set(rest "${out}")
foreach(line IN LISTS expects)
  string(REGEX REPLACE "^#expect " "" regex "${line}")
  string(REPLACE "\\n" "\n" regex "${regex}")
  string(REGEX MATCH "${regex}" found "${rest}")
  if(found STREQUAL "")
    string(APPEND failed "not found (after the previous expectation): ${line}\n")
    continue()
  endif()
  string(FIND "${rest}" "${found}" at)
  string(LENGTH "${found}" length)
  math(EXPR after "${at} + ${length}")
  string(SUBSTRING "${rest}" ${after} -1 rest)
endforeach()

file(STRINGS "${SCRIPT}" rejects REGEX "^#reject ")
foreach(line IN LISTS rejects)
  string(REGEX REPLACE "^#reject " "" regex "${line}")
  string(REPLACE "\\n" "\n" regex "${regex}")
  if("${out}" MATCHES "${regex}")
    string(APPEND failed "found, but must not be: ${line}\n")
  endif()
endforeach()

if(failed)
  message(FATAL_ERROR "${failed}--- output:\n${out}--- errors:\n${err}")
endif()
