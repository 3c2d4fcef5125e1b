# Writes the Debian changelog, gzip -9n, dated SOURCE_DATE_EPOCH (by default the last commit's
# time), at build time: a build folder configured before the last commit still dates it right.
# Run with -P; TEMPLATE, OUT, SOURCE_DIR, PROJECT_VERSION and VELMORA_MAINTAINER are given.
if("$ENV{SOURCE_DATE_EPOCH}" STREQUAL "")
  execute_process(COMMAND git -C "${SOURCE_DIR}" log -1 --format=%ct
                  OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(NOT epoch MATCHES "^[0-9]+$")
    set(epoch 315532800)
  endif()
  set(ENV{SOURCE_DATE_EPOCH} "${epoch}")
endif()
string(TIMESTAMP VELMORA_RELEASE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file("${TEMPLATE}" "${OUT}" @ONLY)
execute_process(COMMAND gzip -9n -c "${OUT}" OUTPUT_FILE "${OUT}.gz" RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "gzip of ${OUT} failed")
endif()
