# Runs ini-oracle (Windows' answers on the settings-file corpus) and compares
# them with the committed answers. -D: EMULATOR, ORACLE, CORPUS, WORK, ANSWERS.
# The answers are those of the Western code page 1252.
set(ENV{LC_ALL} C)
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${EMULATOR} ${ORACLE} ${CORPUS} ${WORK} ${ANSWERS}
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "ini-oracle failed: ${result}")
endif()
file(READ ${CORPUS}/expected-answers.txt expected)
file(READ ${ANSWERS} actual)
if(NOT expected STREQUAL actual)
  execute_process(COMMAND diff -u ${CORPUS}/expected-answers.txt ${ANSWERS})
  message(FATAL_ERROR "Windows answers differ from ini-corpus/expected-answers.txt (diff above)")
endif()
