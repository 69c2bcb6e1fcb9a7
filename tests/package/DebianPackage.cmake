# Builds the Debian package from this build tree, checks what it holds, then runs lintian --pedantic
# on it: any error or warning fails. Without lintian, the contents are still checked and the test
# reports itself skipped.
#   cmake -DCPACK=... -DCONFIG=.../CPackConfig.cmake -DWORK=folder -P DebianPackage.cmake

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
execute_process(COMMAND "${CPACK}" --config "${CONFIG}" -B "${WORK}"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cpack failed (${rc}):\n${out}")
endif()
file(GLOB debs "${WORK}/*.deb")
list(LENGTH debs count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one .deb in ${WORK}, found ${count}")
endif()

execute_process(COMMAND dpkg-deb --contents ${debs} OUTPUT_VARIABLE contents RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "dpkg-deb cannot read ${debs}")
endif()
# One program; xscreensaver's place holds a link to it, not a second copy.
foreach(expected
    "\n-[^\n]* \\./usr/bin/kelvane\n"
    "\nl[^\n]* \\./usr/libexec/xscreensaver/kelvane -> \\.\\./\\.\\./bin/kelvane\n"
    "\n-[^\n]* \\./usr/share/applications/screensavers/kelvane\\.desktop\n"
    "\n-[^\n]* \\./usr/share/man/man6/kelvane\\.6\\.gz\n"
    "\n-[^\n]* \\./usr/share/doc/kelvane/copyright\n"
    "\n-[^\n]* \\./usr/share/doc/kelvane/changelog\\.gz\n")
  if(NOT "\n${contents}" MATCHES "${expected}")
    message(FATAL_ERROR "the package lacks ${expected}:\n${contents}")
  endif()
endforeach()

# The desktop entries as they ship: the application menu's and MATE's screen saver's. Hints pass.
find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
if(DESKTOP_FILE_VALIDATE)
  execute_process(COMMAND dpkg-deb -x ${debs} "${WORK}/root" RESULT_VARIABLE rc)
  file(GLOB_RECURSE entries "${WORK}/root/usr/share/applications/*.desktop")
  list(LENGTH entries count)
  if(NOT rc EQUAL 0 OR NOT count EQUAL 2)
    message(FATAL_ERROR "expected two desktop entries in the package, found: ${entries}")
  endif()
  execute_process(COMMAND "${DESKTOP_FILE_VALIDATE}" ${entries} OUTPUT_VARIABLE out ERROR_VARIABLE out RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0 OR out MATCHES "(error|warning): ")
    message(FATAL_ERROR "desktop-file-validate:\n${out}")
  endif()
endif()

find_program(LINTIAN lintian)
if(NOT LINTIAN)
  message("SKIPPED: lintian is not installed (the contents are right)")
  return()
endif()
execute_process(COMMAND "${LINTIAN}" --pedantic ${debs} OUTPUT_VARIABLE tags ERROR_VARIABLE err RESULT_VARIABLE rc)
message("lintian --pedantic:\n${tags}")
if("\n${tags}" MATCHES "\n[EW]: ")
  message(FATAL_ERROR "lintian finds errors or warnings in the package")
endif()
