; Kelvane's Windows installer: kelvane.scr into the system folder, where Screen Saver Settings
; lists it; an entry in Apps & features; on request, Kelvane as the current screen saver.
;
;   makensis -INPUTCHARSET UTF8 -DVERSION=1.2.3 -DSCR=kelvane.scr -DLICENSE=LICENSE -DREADME=README.txt \
;            -DOUTFILE=kelvane-1.2.3-setup.exe kelvane.nsi
;
; Setup:      /S silent; /CURRENT makes Kelvane the current screen saver (offered, ticked, in the dialog).
; Uninstall:  /S silent; /REMOVESETTINGS also deletes the user's settings (%APPDATA%\kelvane.ini),
;             which are kept otherwise.
;
; The installer is a 64-bit program, like kelvane.scr: its system folder is the 64-bit System32, not
; SysWOW64 where Windows redirects a 32-bit installer and where the 64-bit control panel never looks,
; and it sees the 64-bit registry.

!ifndef VERSION | SCR | LICENSE | README | OUTFILE
  !error "define VERSION, SCR, LICENSE, README and OUTFILE (see the top of this file)"
!endif

Target amd64-unicode
SetCompressor /SOLID lzma
; The files carry no time of their own: the same inputs make the same installer.
SetDateSave off
RequestExecutionLevel admin
ManifestDPIAware true
ManifestSupportedOS all

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh

!define PRODUCT "Kelvane"
!define PUBLISHER "The Kelvane developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kelvane"
; What making Kelvane current replaced, so that the uninstaller can put it back.
!define SETUP_KEY "Software\Kelvane\Setup"
!define DESKTOP_KEY "Control Panel\Desktop"
!define SPI_SETSCREENSAVEACTIVE 0x0011
!define SPIF_SENDCHANGE 0x0002

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Kelvane"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"

!define MUI_ICON "${NSISDIR}\Contrib\Graphics\Icons\modern-install.ico"
!define MUI_UNICON "${NSISDIR}\Contrib\Graphics\Icons\modern-uninstall.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "$(OpenSettings)"
!define MUI_FINISHPAGE_RUN_FUNCTION OpenScreenSaverSettings
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

; The first language is the one for a system whose language is neither.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"

LangString SecProgram ${LANG_ENGLISH} "Kelvane screen saver"
LangString SecProgram ${LANG_JAPANESE} "Kelvane スクリーン セーバー"
LangString SecCurrent ${LANG_ENGLISH} "Make Kelvane the current screen saver"
LangString SecCurrent ${LANG_JAPANESE} "Kelvane を現在のスクリーン セーバーにする"
LangString OpenSettings ${LANG_ENGLISH} "Open Screen Saver Settings"
LangString OpenSettings ${LANG_JAPANESE} "スクリーン セーバーの設定を開く"
LangString UnSecProgram ${LANG_ENGLISH} "Kelvane screen saver"
LangString UnSecProgram ${LANG_JAPANESE} "Kelvane スクリーン セーバー"
LangString UnSecSettings ${LANG_ENGLISH} "My Kelvane settings (kelvane.ini)"
LangString UnSecSettings ${LANG_JAPANESE} "Kelvane の設定 (kelvane.ini)"

VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Copyright (c) The Kelvane developers, MIT License"

; Tells running programs that the screen saver settings changed.
!macro ScreenSaveActiveChanged ACTIVE
  System::Call 'user32::SystemParametersInfoW(i ${SPI_SETSCREENSAVEACTIVE}, i ${ACTIVE}, p 0, i ${SPIF_SENDCHANGE})'
!macroend

Section "$(SecProgram)" SecProgram
  SectionIn RO
  SetShellVarContext all
  SetOutPath "$SYSDIR"
  ; A screen saver that is running holds its file, which can still move aside: the old program
  ; goes as soon as nothing runs it any more (at the latest with the next start of Windows).
  ${If} ${FileExists} "$SYSDIR\kelvane.scr"
    Delete "$SYSDIR\kelvane.scr.old"
    Rename "$SYSDIR\kelvane.scr" "$SYSDIR\kelvane.scr.old"
    Delete /REBOOTOK "$SYSDIR\kelvane.scr.old"
  ${EndIf}
  File "/oname=kelvane.scr" "${SCR}"

  SetOutPath "$INSTDIR"
  File "/oname=README.txt" "${README}"
  File "/oname=LICENSE.txt" "${LICENSE}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  ; One entry, whichever version was there before.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$SYSDIR\kelvane.scr,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  ${GetSize} "$SYSDIR" "/M=kelvane.scr /S=0K /G=0" $3 $1 $2
  IntOp $0 $0 + $3
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section /o "$(SecCurrent)" SecCurrent
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ; Remember what was current before, unless that was Kelvane itself (an upgrade, or chosen by hand).
  ${If} $0 != "$SYSDIR\kelvane.scr"
    DeleteRegKey HKCU "${SETUP_KEY}"
    ClearErrors
    ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${IfNot} ${Errors}
      WriteRegStr HKCU "${SETUP_KEY}" "PreviousScreenSaver" $0
    ${EndIf}
    ClearErrors
    ReadRegStr $0 HKCU "${DESKTOP_KEY}" "ScreenSaveActive"
    ${IfNot} ${Errors}
      WriteRegStr HKCU "${SETUP_KEY}" "PreviousScreenSaveActive" $0
    ${EndIf}
    WriteRegStr HKCU "${SETUP_KEY}" "MadeCurrent" "1"
  ${EndIf}
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$SYSDIR\kelvane.scr"
  WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
  !insertmacro ScreenSaveActiveChanged 1
SectionEnd

Function .onInit
  ; The dialog offers to make Kelvane current, ticked; a silent setup does it only when told.
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/CURRENT" $1
  ${IfNot} ${Errors}
  ${OrIfNot} ${Silent}
    !insertmacro SelectSection ${SecCurrent}
  ${EndIf}
FunctionEnd

Function OpenScreenSaverSettings
  Exec '"$SYSDIR\control.exe" desk.cpl,,@screensaver'
FunctionEnd

Section "un.$(UnSecProgram)" UnSecProgram
  SectionIn RO
  SetShellVarContext all
  Delete /REBOOTOK "$SYSDIR\kelvane.scr"

  ; Whatever was current before Kelvane comes back, unless the user has chosen another since.
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${If} $0 == "$SYSDIR\kelvane.scr"
    ReadRegStr $1 HKCU "${SETUP_KEY}" "MadeCurrent"
    ClearErrors
    ReadRegStr $2 HKCU "${SETUP_KEY}" "PreviousScreenSaver"
    ${If} $1 == "1"
    ${AndIfNot} ${Errors}
      WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" $2
    ${Else}
      ; Naming a file that is gone, the value would only leave the settings blank.
      DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${EndIf}
    ${If} $1 == "1"
      ClearErrors
      ReadRegStr $2 HKCU "${SETUP_KEY}" "PreviousScreenSaveActive"
      ${If} ${Errors}
        DeleteRegValue HKCU "${DESKTOP_KEY}" "ScreenSaveActive"
        StrCpy $2 0
      ${Else}
        WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" $2
      ${EndIf}
      IntOp $2 $2 + 0
      !insertmacro ScreenSaveActiveChanged $2
    ${EndIf}
  ${EndIf}
  DeleteRegKey HKCU "${SETUP_KEY}"
  DeleteRegKey /ifempty HKCU "Software\Kelvane"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd

Section /o "un.$(UnSecSettings)" UnSecSettings
  ; The profile, its lock and any temporary a save left behind, in this user's roaming folder.
  SetShellVarContext current
  Delete "$APPDATA\kelvane.ini"
  Delete "$APPDATA\.kelvane.ini.lock"
  Delete "$APPDATA\.kelvane.ini.tmp-*"
SectionEnd

Function un.onInit
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVESETTINGS" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${UnSecSettings}
  ${EndIf}
FunctionEnd
