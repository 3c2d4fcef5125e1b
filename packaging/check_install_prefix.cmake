# Refuses, before anything is installed, a prefix that the desktop entry cannot name: no rule of
# the entry carries a control character (a line break would end the Exec line).
foreach(code RANGE 1 127)
  if(code GREATER 31 AND code LESS 127)
    continue()
  endif()
  string(ASCII ${code} control)
  string(FIND "${CMAKE_INSTALL_PREFIX}" "${control}" at)
  if(NOT at EQUAL -1)
    message(FATAL_ERROR "velmora cannot be installed under a folder whose name holds a control "
                        "character (code ${code}); choose another prefix")
  endif()
endforeach()
