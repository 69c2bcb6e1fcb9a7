# The layers' include check from outside: a tree that keeps to the layers passes; adding one file
# that includes against them fails it, and the failure names that file. Against them: the portable
# program including a system, toolkit, back-end or shared-implementation header; snow/, saver/ or
# settings/ including app/; platform/ including app/, snow/, saver/, settings/ or res/.
# Run with -DCHECK=<CheckCoreIncludes.cmake> -DWORK=<folder>.

function(write_clean_tree root)
  file(REMOVE_RECURSE "${root}")
  file(WRITE "${root}/app/App.cpp" "#include \"platform/WinApp.h\"\n#include \"app/App.h\"\n#include <vector>\n")
  file(WRITE "${root}/app/App.h" "#pragma once\n#  include \"platform/Runtime.h\"\n")
  # Words about a back end, outside an include line, are no offence.
  file(WRITE "${root}/snow/Snow.cpp" "#include \"platform/Dc.h\"\n// drawn like platform/qt/DcQt.cpp draws\n// #include <windows.h> once lived here\n")
  file(WRITE "${root}/saver/Saver.h" "#pragma once\n#include <platform/Wnd.h>\n#include \"platform/WinDefs.h\"\n")
  file(WRITE "${root}/settings/Dlg.cpp" "#include \"platform/Dialog.h\"\n#include \"platform/WinMessages.h\"\n#include \"snow/Snow.h\"\n#include <string>\n")
  # The application includes the layers below it; a back end, the contract, its own and the shared headers.
  file(WRITE "${root}/app/Run.cpp" "#include \"settings/Dlg.h\"\n#include \"saver/Saver.h\"\n#include \"snow/Snow.h\"\n")
  file(WRITE "${root}/platform/qt/WndQt.cpp" "#include \"platform/FrameIds.h\"\n#include \"platform/common/BackEnd.h\"\n#include \"platform/qt/QtImpl.h\"\n#include <QWindow>\n// the blank cursor, as res/Resource.h names it\n")
  # The programs may include everything.
  file(WRITE "${root}/linux/Main.cpp" "#include \"app/Switches.h\"\n#include \"snow/SnowParams.h\"\n#include \"platform/qt/QtImpl.h\"\n")
  file(WRITE "${root}/windows/Main.cpp" "#include \"res/Resource.h\"\n#include <windows.h>\n")
endfunction()

function(run_check root result_var output_var)
  execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${root} -P ${CHECK}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(${result_var} ${rc} PARENT_SCOPE)
  set(${output_var} "${out}${err}" PARENT_SCOPE)
endfunction()

write_clean_tree("${WORK}/clean")
run_check("${WORK}/clean" rc output)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "a tree that keeps to the contract fails the check:\n${output}")
endif()

# file|include line: one offence of each kind, spread over the four folders.
set(cases
  "app/Bad.cpp|#include <windows.h>"
  "snow/Bad.cpp|#include <QWindow>"
  "saver/Bad.h|#include <QtGui/QImage>"
  "settings/Bad.cpp|#include <X11/Xlib.h>"
  "app/Bad.h|#include <xcb/xcb.h>"
  "snow/Bad.h|#include <unistd.h>"
  "saver/Bad.cpp|#include <sys/stat.h>"
  "snow/Bad.cpp|#include \"platform/qt/QtImpl.h\""
  "snow/deep/Bad.h|#include \"platform/headless/HeadlessImpl.h\""
  "app/Bad.cpp|#include \"platform/common/IniFile.h\""
  "settings/Bad.h|#include \"platform/win32/Win32.h\""
  "saver/Bad.cpp|  #  include \"../platform/qt/QtImpl.h\""
  "settings/Bad.cpp|#include <platform/common/WndRouting.h>"
  "app/Bad.cpp|#include \"platform\\headless\\Headless.h\""
  "snow/Bad.h|#include \"app/SnowParams.h\""
  "saver/Bad.cpp|#include <app/SaverApp.h>"
  "settings/Bad.cpp|#include \"../app/SnowParams.h\""
  "platform/qt/Bad.cpp|#include \"app/Switches.h\""
  "platform/win32/Bad.cpp|#include \"snow/SnowWnd.h\""
  "platform/Bad.h|#include \"saver/SaverWnd.h\""
  "platform/headless/Bad.cpp|#include \"settings/SettingsDlg.h\""
  "platform/common/Bad.cpp|#include \"res/Resource.h\""
  "platform/qt/Bad.h|  #  include \"../../res\\Resource.h\"")
set(n 0)
foreach(case IN LISTS cases)
  string(FIND "${case}" "|" bar)
  string(SUBSTRING "${case}" 0 ${bar} file)
  math(EXPR start "${bar} + 1")
  string(SUBSTRING "${case}" ${start} -1 line)
  math(EXPR n "${n} + 1")
  set(root "${WORK}/offence${n}")
  write_clean_tree("${root}")
  file(WRITE "${root}/${file}" "#pragma once\n${line}\n")
  run_check("${root}" rc output)
  if(rc EQUAL 0)
    message(FATAL_ERROR "${file} with '${line}' passes the check")
  endif()
  string(REGEX REPLACE "[ \n\t]+" " " flat "${output}")
  if(NOT flat MATCHES "offence${n}/${file}")
    message(FATAL_ERROR "${file} with '${line}' fails the check without being named:\n${output}")
  endif()
endforeach()
file(REMOVE_RECURSE "${WORK}")
