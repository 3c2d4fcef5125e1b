# Makes the Windows zip the same bytes from the same commit, whatever the folder, the time or the
# machine: one folder "velmora" (no version in it, so that registrations keep pointing at the same
# folder after an upgrade), its files in a fixed order, each with the same mode and the time of
# SOURCE_DATE_EPOCH (by default the last commit's), and a checksum file that sha256sum -c reads.
# Each entry also records the builder's user and group ids, which the archive writer takes
# from the process: builds by one user (CI's root) agree.
# Run with -P; ZIP, SOURCE_DIR, STAGING and FILES (in order, parted by '|') are given.
string(REPLACE "|" ";" FILES "${FILES}")
# With SOURCE_DATE_EPOCH set, the archive writer gives every entry that time, its access and
# change times too, whatever the files' own.
include("${CMAKE_CURRENT_LIST_DIR}/source_date_epoch.cmake")
string(TIMESTAMP when "%Y-%m-%d %H:%M:%S UTC" UTC)

file(REMOVE_RECURSE "${STAGING}")
file(MAKE_DIRECTORY "${STAGING}/velmora")
set(entries "")
foreach(file IN LISTS FILES)
  get_filename_component(name "${file}" NAME)
  file(COPY "${file}" DESTINATION "${STAGING}/velmora"
       FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  list(APPEND entries "velmora/${name}")
endforeach()

get_filename_component(zip_name "${ZIP}" NAME)
file(REMOVE "${ZIP}" "${ZIP}.sha256")
# The zip's entry times are local times: UTC on every machine.
execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC "SOURCE_DATE_EPOCH=${velmora_epoch}"
                        ${CMAKE_COMMAND} -E tar cf "${ZIP}" --format=zip ${entries}
                WORKING_DIRECTORY "${STAGING}" RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "could not make ${ZIP}")
endif()
file(SHA256 "${ZIP}" hash)
file(WRITE "${ZIP}.sha256" "${hash}  ${zip_name}\n")
message(STATUS "${ZIP}: sha256 ${hash}, entries dated ${when}")
