# Runs a program once and checks its exit status and output: find_cli() in tools/find and the
# stand-in host's command-line tests use it.
string(REPLACE "|" ";" args "${ARGS}")
execute_process(COMMAND ${EMULATOR} ${PROGRAM} ${args}
                RESULT_VARIABLE status
                OUTPUT_VARIABLE out
                ERROR_VARIABLE err)
set(failed "")
if(NOT "${status}" STREQUAL "${EXPECT_EXIT}")
  string(APPEND failed "exit status ${status}, expected ${EXPECT_EXIT}\n")
endif()
if(EXPECT_STDOUT_FILE)
  file(READ "${EXPECT_STDOUT_FILE}" expected)
  if(NOT "${out}" STREQUAL "${expected}")
    string(APPEND failed "standard output differs from ${EXPECT_STDOUT_FILE}\n")
  endif()
endif()
if(NOT "${STDOUT_MATCH}" STREQUAL "" AND NOT "${out}" MATCHES "${STDOUT_MATCH}")
  string(APPEND failed "standard output does not match: ${STDOUT_MATCH}\n")
endif()
if(NOT "${STDERR_MATCH}" STREQUAL "" AND NOT "${err}" MATCHES "${STDERR_MATCH}")
  string(APPEND failed "standard error does not match: ${STDERR_MATCH}\n")
endif()
if(failed)
  message(FATAL_ERROR "${failed}--- stdout:\n${out}--- stderr:\n${err}")
endif()
