; The Windows installer of Quorlix, made by tools/windows_bundle.sh with
;   makensis -DVERSION=<version> -DSTAGE=<unpacked zip> -DOUTFILE=<setup.exe> quorlix.nsi
; It installs what the zip holds into Program Files, adds a Start-menu entry
; and, when chosen (it is not by default), offers Quorlix in "Open with" for
; .txt files. The uninstaller removes what it installed and leaves the
; user's settings (%APPDATA%\Quorlix, the recent logs) where they are.
; A 64-bit installer: it installs 64-bit programs, and runs where only
; 64-bit Windows programs run (Wine without its 32-bit part).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!include "MUI2.nsh"

!define PRODUCT "Quorlix"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorlix"
!define PROGID "Quorlix.Log"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"

!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\quorlix.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "German"

LangString SecProgram ${LANG_ENGLISH} "Quorlix and quorlix-cli"
LangString SecProgram ${LANG_GERMAN} "Quorlix und quorlix-cli"
LangString SecMenu ${LANG_ENGLISH} "Start menu entry"
LangString SecMenu ${LANG_GERMAN} "Eintrag im Startmenü"
LangString SecOpenWith ${LANG_ENGLISH} "Offer Quorlix to open .txt logs"
LangString SecOpenWith ${LANG_GERMAN} "Quorlix zum Öffnen von .txt-Logs anbieten"

Function .onInit
  SetRegView 64
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "!$(SecProgram)" SecProgramId
  SectionIn RO
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File /r "${STAGE}\*.*"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "The Quorlix team"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quorlix.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "$(SecMenu)" SecMenuId
  SetShellVarContext all
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\quorlix.exe"
SectionEnd

; Listed under "Open with" for .txt files; the user's default program for
; them stays as it is.
Section /o "$(SecOpenWith)" SecOpenWithId
  WriteRegStr HKLM "Software\Classes\${PROGID}" "" "Quorlix log"
  WriteRegStr HKLM "Software\Classes\${PROGID}\DefaultIcon" "" "$INSTDIR\quorlix.exe,0"
  WriteRegStr HKLM "Software\Classes\${PROGID}\shell\open\command" "" '"$INSTDIR\quorlix.exe" "%1"'
  WriteRegStr HKLM "Software\Classes\.txt\OpenWithProgids" "${PROGID}" ""
  WriteRegStr HKLM "${UNINSTALL_KEY}" "OpenWith" "1"
SectionEnd

; What the installer put there, and nothing else: settings the user saved
; (%APPDATA%\Quorlix\config.cfg, HKCU\Software\Quorlix) stay.
Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  DeleteRegValue HKLM "Software\Classes\.txt\OpenWithProgids" "${PROGID}"
  DeleteRegKey HKLM "Software\Classes\${PROGID}"
  !include "${FILELIST}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
