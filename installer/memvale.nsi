; Memvale's installer: for the current user, without administrator rights, into
; %LOCALAPPDATA%\Programs\Memvale; the 64-bit program on 64-bit Windows, the 32-bit one otherwise.
; scripts/package.sh makes it and passes with -D: VERSION (x.y.z), WIN32_EXE, WIN64_EXE,
; DOCS (the folder holding README.txt and LICENSE.txt), ICON and OUTFILE.
; Switches: /S installs silently, /AUTOSTART also ticks "Start with Windows", /D=folder.

Unicode true
RequestExecutionLevel user
SetCompressor /SOLID lzma
; No file times in the installer, so that two builds of one commit give the same bytes.
SetDateSave off

!include MUI2.nsh
!include x64.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include Sections.nsh
!include WinMessages.nsh

!define PUBLISHER "Jonas Ferren"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Memvale"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "Memvale"
!define SETTINGS_KEY "Software\Memvale"
; The program's Exit command (IDM_EXIT in res/resource.h).
!define IDM_EXIT 40012

Name "Memvale"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Memvale"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Memvale ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "Memvale"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "Memvale ${VERSION} setup"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "LegalCopyright" "Copyright (C) 2026 ${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\memvale.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Memvale now"

!insertmacro MUI_PAGE_LICENSE "${DOCS}/LICENSE.txt"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!define MUI_COMPONENTSPAGE_TEXT_TOP "Memvale keeps its settings in the registry \
(HKEY_CURRENT_USER\${SETTINGS_KEY}), so that a later installation finds them again. \
Tick the box to remove them as well."
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; Ends a running Memvale the way its Exit command does, so that it saves its settings and
; removes its tray icon, then waits until its program file can be replaced. Aborts when it
; does not end within a few seconds and the user does not retry.
; The installed program is asked first with /exit, which returns once Memvale has ended. One
; older than the switch takes it for a second start and ends at once, doing nothing (a
; Memvale runs, so it starts none); its window is still there, and the Exit command is sent to it.
!macro EndMemvale prefix
Function ${prefix}EndMemvale
  retry:
  FindWindow $0 "#32770" "Memvale XP"
  ${If} $0 <> 0
    ${If} ${FileExists} "$INSTDIR\memvale.exe"
      ExecWait '"$INSTDIR\memvale.exe" /exit'
      IsWindow $0 0 gone
    ${EndIf}
    SendMessage $0 ${WM_COMMAND} ${IDM_EXIT} 0 /TIMEOUT=5000
    ${For} $1 1 50
      IsWindow $0 0 gone
      Sleep 100
    ${Next}
    Goto stuck
  ${EndIf}
  gone:
  ; The process may still be on its way out; its program file is locked until it has gone.
  ${For} $1 1 50
    ${IfNot} ${FileExists} "$INSTDIR\memvale.exe"
      Return
    ${EndIf}
    ClearErrors
    FileOpen $2 "$INSTDIR\memvale.exe" a
    ${IfNot} ${Errors}
      FileClose $2
      Return
    ${EndIf}
    Sleep 100
  ${Next}
  stuck:
  MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
    "Memvale is still running. Exit it from its tray menu, then choose Retry." \
    /SD IDCANCEL IDRETRY retry
  Abort "Memvale is still running."
FunctionEnd
!macroend
!insertmacro EndMemvale ""
!insertmacro EndMemvale "un."

Section "Memvale" SecProgram
  SectionIn RO
  Call EndMemvale
  SetOutPath "$INSTDIR"
  ${If} ${RunningX64}
    File "/oname=memvale.exe" "${WIN64_EXE}"
  ${Else}
    File "/oname=memvale.exe" "${WIN32_EXE}"
  ${EndIf}
  File "${DOCS}/README.txt"
  File "${DOCS}/LICENSE.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Memvale.lnk" "$INSTDIR\memvale.exe"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Memvale"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\memvale.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; The value the program's own check box writes: the same name and the quoted program path.
Section /o "Start with Windows" SecAutostart
  WriteRegStr HKCU "${RUN_KEY}" "${RUN_VALUE}" '"$INSTDIR\memvale.exe"'
SectionEnd

; Unticking the box withdraws a start with Windows chosen earlier.
Section "-StartWithWindowsOff"
  ${IfNot} ${SectionIsSelected} ${SecAutostart}
    DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
  ${EndIf}
SectionEnd

; "Start with Windows" starts ticked when asked with /AUTOSTART, and when Memvale already
; starts with Windows, so that installing over an older version keeps that choice.
Function .onInit
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/AUTOSTART" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecAutostart}
  ${EndIf}
  ClearErrors
  ReadRegStr $1 HKCU "${RUN_KEY}" "${RUN_VALUE}"
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecAutostart}
  ${EndIf}
FunctionEnd

Section "un.Memvale" UnSecProgram
  SectionIn RO
  Call un.EndMemvale
  Delete "$INSTDIR\memvale.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Memvale.lnk"
  DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd

Section /o "un.Remove my settings" UnSecSettings
  DeleteRegKey HKCU "${SETTINGS_KEY}"
SectionEnd
