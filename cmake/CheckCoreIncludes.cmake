# Fails the build when an include runs against the layers' direction.
# - The portable program reaches below platform/'s contract: app/, snow/, saver/ and settings/ reach
#   windows, drawing and the profile only through the headers directly in platform/, never through a
#   system or toolkit header, a back end's headers or the shared implementation's (platform/common/,
#   headless/, qt/, win32/).
# - The layers below the application reach up to it: snow/, saver/ and settings/ never include app/.
# - A back end knows the program: platform/ never includes app/, snow/, saver/, settings/ or res/
#   (the frame's own resource ids are platform/FrameIds.h; the program's resources fill them).
# The programs (linux/, windows/) may include everything.
# Run with -DSOURCE_DIR=<the tree to check>.
set(include_line "^[ \t]*#[ \t]*include[ \t]*[<\"]")
set(system_header "${include_line}(windows\\.h|winuser\\.h|wingdi\\.h|commctrl\\.h|Q[A-Za-z]+|Qt[A-Za-z]*/|X11/|xcb/|unistd\\.h|sys/)")
# Any folder below platform/, however the path reaches it ("../platform/qt/...", backslashes).
set(below_contract "${include_line}([^\">]*[/\\\\])?platform[/\\\\][^\">/\\\\]+[/\\\\]")
# A top folder of the tree, written from the root or reached through "../".
function(top_folder_include folders out_var)
  list(JOIN folders "|" alternatives)
  set(${out_var} "${include_line}(\\.\\.?[/\\\\])*(${alternatives})[/\\\\]" PARENT_SCOPE)
endfunction()
top_folder_include("app" into_app)
top_folder_include("app;snow;saver;settings;res" into_program)

set(offenders "")
# Adds "file: lines" for the lines of each file under the folders that match any of the patterns.
function(find_offenders folders patterns)
  set(found "")
  foreach(dir IN LISTS folders)
    file(GLOB_RECURSE files "${SOURCE_DIR}/${dir}/*.h" "${SOURCE_DIR}/${dir}/*.hpp" "${SOURCE_DIR}/${dir}/*.inl"
                            "${SOURCE_DIR}/${dir}/*.cpp" "${SOURCE_DIR}/${dir}/*.cc")
    foreach(f IN LISTS files)
      set(hits "")
      foreach(pattern IN LISTS patterns)
        file(STRINGS "${f}" lines REGEX "${pattern}")
        list(APPEND hits ${lines})
      endforeach()
      if(hits)
        list(APPEND found "${f}: ${hits}")
      endif()
    endforeach()
  endforeach()
  set(offenders ${offenders} ${found} PARENT_SCOPE)
endfunction()

find_offenders("app" "${system_header};${below_contract}")
find_offenders("snow;saver;settings" "${system_header};${below_contract};${into_app}")
find_offenders("platform" "${into_program}")
if(offenders)
  list(JOIN offenders "\n  " text)
  message(FATAL_ERROR "Includes against the layers' direction (the program below platform/'s contract, "
                      "snow/, saver/ or settings/ up to app/, platform/ up to the program):\n  ${text}")
endif()
