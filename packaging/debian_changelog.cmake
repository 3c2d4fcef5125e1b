# Writes the Debian changelog, gzip -9n, dated SOURCE_DATE_EPOCH (by default the last commit's
# time), at build time: a build folder configured before the last commit still dates it right.
# Run with -P; TEMPLATE, OUT, SOURCE_DIR, PROJECT_VERSION and VELMORA_MAINTAINER are given.
include("${CMAKE_CURRENT_LIST_DIR}/source_date_epoch.cmake")
string(TIMESTAMP VELMORA_RELEASE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file("${TEMPLATE}" "${OUT}" @ONLY)
set(IN "${OUT}")
set(OUT "${OUT}.gz")
include("${CMAKE_CURRENT_LIST_DIR}/gzip_n.cmake")
