# Writes the desktop entry at install time, when the prefix is known (cmake --install --prefix
# may name another than the build's). Expects VELMORA_DESKTOP_TEMPLATE, VELMORA_BINDIR_NAME and
# VELMORA_DATADIR_NAME.
set(bindir "${CMAKE_INSTALL_PREFIX}/${VELMORA_BINDIR_NAME}")
# Exec quotes the program. Inside the quotes a backslash, '"', '`' and '$' take a backslash, and
# the file's own string rules double every backslash once more: one backslash becomes four.
string(REPLACE "\\" "\\\\\\\\" bindir "${bindir}")
foreach(special "\"" "`" "$")
  string(REPLACE "${special}" "\\\\${special}" bindir "${bindir}")
endforeach()
# '%' starts a field code anywhere in Exec ("%f" is the file): a literal one is written "%%".
string(REPLACE "%" "%%" bindir "${bindir}")
set(VELMORA_BINDIR "${bindir}")
set(entry "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${VELMORA_DATADIR_NAME}/applications/velmora.desktop")
message(STATUS "Installing: ${entry}")
configure_file("${VELMORA_DESKTOP_TEMPLATE}" "${entry}" @ONLY)
