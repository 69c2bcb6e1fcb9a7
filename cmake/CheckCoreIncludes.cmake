# Fails the build when the portable program reaches below platform/'s contract: app/, snow/, saver/
# and settings/ reach windows, drawing and the profile only through the headers directly in
# platform/, never through a system or toolkit header, a back end's headers or the shared
# implementation's (platform/common/, headless/, qt/, win32/).
# Run with -DSOURCE_DIR=<the tree to check>.
set(include_line "^[ \t]*#[ \t]*include[ \t]*[<\"]")
set(system_header "${include_line}(windows\\.h|winuser\\.h|wingdi\\.h|commctrl\\.h|Q[A-Za-z]+|Qt[A-Za-z]*/|X11/|xcb/|unistd\\.h|sys/)")
# Any folder below platform/, however the path reaches it ("../platform/qt/...", backslashes).
set(below_contract "${include_line}([^\">]*[/\\\\])?platform[/\\\\][^\">/\\\\]+[/\\\\]")

set(offenders "")
foreach(dir app snow saver settings)
  file(GLOB_RECURSE files "${SOURCE_DIR}/${dir}/*.h" "${SOURCE_DIR}/${dir}/*.hpp" "${SOURCE_DIR}/${dir}/*.inl"
                          "${SOURCE_DIR}/${dir}/*.cpp" "${SOURCE_DIR}/${dir}/*.cc")
  foreach(f IN LISTS files)
    file(STRINGS "${f}" hits REGEX "${system_header}")
    file(STRINGS "${f}" below REGEX "${below_contract}")
    list(APPEND hits ${below})
    if(hits)
      list(APPEND offenders "${f}: ${hits}")
    endif()
  endforeach()
endforeach()
if(offenders)
  list(JOIN offenders "\n  " text)
  message(FATAL_ERROR "The portable program includes headers below platform/'s contract:\n  ${text}")
endif()
