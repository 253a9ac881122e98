# Run by cpack on its staging folder before it makes the packages
# (CPACK_PRE_BUILD_SCRIPTS): folders 0755, programs 0755, other files 0644,
# as dh_fixperms leaves a Debian package. An install takes its folders' and
# generated files' modes from the umask, and a packager's strict umask (077)
# would otherwise ship folders of /usr/share that only root can enter.
file(GLOB_RECURSE staged LIST_DIRECTORIES true "${CPACK_TEMPORARY_DIRECTORY}/*")
foreach(path IN LISTS staged)
  if(IS_SYMLINK "${path}")
    continue()
  endif()
  set(mode OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  if(IS_DIRECTORY "${path}" OR "${path}" MATCHES "/usr/bin/[^/]+$")
    list(APPEND mode OWNER_EXECUTE GROUP_EXECUTE WORLD_EXECUTE)
  endif()
  file(CHMOD "${path}" PERMISSIONS ${mode})
endforeach()
