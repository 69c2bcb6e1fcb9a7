# kelvane.scr's manifest names the project's version, which the build writes into it.
#   cmake -DSCR=kelvane.scr -DVERSION=1.2.3 -P ManifestVersion.cmake

file(STRINGS "${SCR}" identities REGEX "<assemblyIdentity type=\"win32\" name=\"Kelvane\"")
if(NOT identities MATCHES "version=\"([^\"]*)\"")
  message(FATAL_ERROR "no manifest naming Kelvane in ${SCR}")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL "${VERSION}.0")
  message(FATAL_ERROR "the manifest says ${CMAKE_MATCH_1}, the project ${VERSION}")
endif()
