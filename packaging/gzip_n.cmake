# gzip -9n of IN into OUT: no name and no time in the header, so the same text gives the same
# bytes, as Debian wants its manual pages and changelogs.
execute_process(COMMAND gzip -9n -c "${IN}" OUTPUT_FILE "${OUT}" RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "gzip of ${IN} failed")
endif()
