; The Windows installer of Quorlix, made by tools/windows_bundle.sh with
;   makensis -DVERSION=<version> -DSTAGE=<unpacked zip> -DOUTFILE=<setup.exe> \
;            -DICON=<quorlix.ico> -DFILELIST=<uninstall list> quorlix.nsi
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
!include "FileFunc.nsh"

!define PRODUCT "Quorlix"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorlix"
!define PROGID "Quorlix.Log"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"

; The pages in the language chosen at the start (the user's display
; language preselected), kept for the uninstaller.
!define MUI_LANGDLL_ALLLANGUAGES
!define MUI_LANGDLL_WINDOWTITLE "Sprache / Language"
!define MUI_LANGDLL_INFO "Bitte wählen Sie eine Sprache.$\nPlease select a language."
!define MUI_LANGDLL_REGISTRY_ROOT HKLM
!define MUI_LANGDLL_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MUI_LANGDLL_REGISTRY_VALUENAME "InstallerLanguage"
!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
; "Run Quorlix" starts the program as the user, not with the installer's
; rights: through Explorer, which runs as the user.
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "$(RunQuorlix)"
!define MUI_FINISHPAGE_RUN_FUNCTION RunAsUser
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "German"
!insertmacro MUI_RESERVEFILE_LANGDLL

LangString SecProgram ${LANG_ENGLISH} "Quorlix and quorlix-cli"
LangString SecProgram ${LANG_GERMAN} "Quorlix und quorlix-cli"
LangString SecMenu ${LANG_ENGLISH} "Start menu entry"
LangString SecMenu ${LANG_GERMAN} "Eintrag im Startmenü"
LangString SecOpenWith ${LANG_ENGLISH} "Offer Quorlix to open .txt logs"
LangString SecOpenWith ${LANG_GERMAN} "Quorlix zum Öffnen von .txt-Logs anbieten"
LangString RunQuorlix ${LANG_ENGLISH} "Run Quorlix"
LangString RunQuorlix ${LANG_GERMAN} "Quorlix starten"
LangString LogKind ${LANG_ENGLISH} "Quorlix log"
LangString LogKind ${LANG_GERMAN} "Quorlix-Log"

Function .onInit
  SetRegView 64
  !insertmacro MUI_LANGDLL_DISPLAY
FunctionEnd

Function un.onInit
  SetRegView 64
  !insertmacro MUI_UNGETLANGUAGE
FunctionEnd

Function RunAsUser
  Exec '"$WINDIR\explorer.exe" "$INSTDIR\quorlix.exe"'
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
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quorlix.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
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
  WriteRegStr HKLM "Software\Classes\${PROGID}" "" "$(LogKind)"
  WriteRegStr HKLM "Software\Classes\Applications\quorlix.exe" "FriendlyAppName" "Quorlix"
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
  DeleteRegKey HKLM "Software\Classes\Applications\quorlix.exe"
  !include "${FILELIST}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
