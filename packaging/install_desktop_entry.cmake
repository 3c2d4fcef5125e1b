# Writes the desktop entry at install time, when the prefix is known (cmake --install --prefix
# may name another than the build's). Expects VELMORA_DESKTOP_TEMPLATE, VELMORA_LINK_TEMPLATE,
# VELMORA_BINDIR_NAME,
# VELMORA_DATADIR_NAME and VELMORA_ENTRY_STAGING.
set(program "${CMAKE_INSTALL_PREFIX}/${VELMORA_BINDIR_NAME}/velmora")
# Exec quotes the program. Inside the quotes a backslash, '"', '`' and '$' take a backslash, and
# the file's own string rules double every backslash once more: one backslash becomes four.
set(quoted "${program}")
string(REPLACE "\\" "\\\\\\\\" quoted "${quoted}")
foreach(special "\"" "`" "$")
  string(REPLACE "${special}" "\\\\${special}" quoted "${quoted}")
endforeach()
# '%' starts a field code anywhere in Exec ("%f" is the file): a literal one is written "%%".
# But GLib looks for Exec's first word as a program before it expands the field codes, and would
# look for a folder named "100%%": there the shell starts velmora, and GLib finds /bin/sh.
# The file entry hands velmora a file (%f); the link entry a link as GLib got it (%u).
if(program MATCHES "%")
  string(REPLACE "%" "%%" quoted "${quoted}")
  set(VELMORA_EXEC "/bin/sh -c \"exec \\\\\"\\\\$0\\\\\" \\\\\"\\\\$@\\\\\"\" \"${quoted}\" %f")
  set(VELMORA_LINK_EXEC "/bin/sh -c \"exec \\\\\"\\\\$0\\\\\" \\\\\"\\\\$@\\\\\"\" \"${quoted}\" %u")
else()
  set(VELMORA_EXEC "\"${quoted}\" %f")
  set(VELMORA_LINK_EXEC "\"${quoted}\" %u")
endif()
# Made beside the build, then installed as any file is, so that the install's list of files
# (and so the uninstall) has it.
configure_file("${VELMORA_DESKTOP_TEMPLATE}" "${VELMORA_ENTRY_STAGING}/velmora.desktop" @ONLY)
configure_file("${VELMORA_LINK_TEMPLATE}" "${VELMORA_ENTRY_STAGING}/velmora-links.desktop" @ONLY)
file(INSTALL "${VELMORA_ENTRY_STAGING}/velmora.desktop"
             "${VELMORA_ENTRY_STAGING}/velmora-links.desktop"
     DESTINATION "${CMAKE_INSTALL_PREFIX}/${VELMORA_DATADIR_NAME}/applications")
