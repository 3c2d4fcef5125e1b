# The time every packaged file carries: SOURCE_DATE_EPOCH when the caller set it, else the last
# commit's time in SOURCE_DIR, else 1980-01-01, the earliest a zip entry holds. Sets the
# variable in the environment, where the archive writers read it, and `velmora_epoch`.
if("$ENV{SOURCE_DATE_EPOCH}" STREQUAL "")
  execute_process(COMMAND git -C "${SOURCE_DIR}" log -1 --format=%ct
                  OUTPUT_VARIABLE velmora_epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(NOT velmora_epoch MATCHES "^[0-9]+$")
    set(velmora_epoch 315532800)
  endif()
  set(ENV{SOURCE_DATE_EPOCH} "${velmora_epoch}")
endif()
set(velmora_epoch "$ENV{SOURCE_DATE_EPOCH}")
