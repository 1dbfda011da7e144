; Memvale's installer: for the current user, without administrator rights, into
; %LOCALAPPDATA%\Programs\Memvale; the 64-bit program where Windows runs it, the 32-bit one
; elsewhere. scripts/package.sh makes it and passes with -D: VERSION (x.y.z), WIN32_EXE,
; WIN64_EXE, DOCS (the folder holding README.txt and LICENSE.txt), ICON, OUTFILE and FACTS (the
; build's memvale_facts.nsh: the program's Exit command, window caption and registry keys) and
; TEXTS (the build's memvale_installer.nsh: every language's texts from po/<language>.po).
; The installer and the uninstaller speak Windows' display language when they have it, else
; English; Kazakh Windows, which NSIS has no pages for, gets them in Russian, its base language.
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
!include WinVer.nsh
!include "${FACTS}"

!define PUBLISHER "Jonas Ferren"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Memvale"
!define PROCESS_QUERY_LIMITED_INFORMATION 0x1000

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
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "$(StartNow)"
!define MUI_FINISHPAGE_RUN_FUNCTION StartAsTheUser

; The installer may run elevated (started from an administrator's prompt, or with UAC off for
; an administrator); Memvale started from it would be too, and a normal start beside it could
; not reach it. The shell, which runs as the user, starts it at the user's own level instead.
Function StartAsTheUser
  Exec '"$WINDIR\explorer.exe" "$INSTDIR\memvale.exe"'
FunctionEnd

!insertmacro MUI_PAGE_LICENSE "${DOCS}/LICENSE.txt"
; The folder first: whether "Start with Windows" starts ticked depends on it.
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE FolderChosen
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!define MUI_COMPONENTSPAGE_TEXT_TOP "$(SettingsKept)"
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

; English first: the language for a Windows whose language the installer lacks.
!insertmacro MUI_LANGUAGE "English"
!include "${TEXTS}"

; The English texts; scripts/catalogs.py reads them from here for the translators' template, and
; the comment above each for the translators.

; The finish page's check box.
LangString StartNow ${LANG_ENGLISH} "Start Memvale now"
; The installer's component that makes Memvale start when the user logs on to Windows.
LangString StartWithWindows ${LANG_ENGLISH} "Start with Windows"
; The uninstaller's component that also deletes the program's settings from the registry.
LangString RemoveSettings ${LANG_ENGLISH} "Remove my settings"
; Above the uninstaller's components; ${SETTINGS_KEY} is the registry key, kept as it is.
LangString SettingsKept ${LANG_ENGLISH} "Memvale keeps its settings in the registry \
(HKEY_CURRENT_USER\${SETTINGS_KEY}), so that a later installation finds them again. \
Tick the box to remove them as well."
; Message box, Yes and No; $1 is the other copy's program file, kept as it is.
LangString OtherCopyRunning ${LANG_ENGLISH} "Memvale is running from another folder:$\r$\n$1$\r$\n$\r$\n\
End it? Memvale runs only once, so the installed one can start only when this one has ended."
; Message box, Retry and Cancel: "Retry" is the button's name in Windows.
LangString StillRunning ${LANG_ENGLISH} "Memvale is still running. Exit it from its tray menu, then choose Retry."
; The installation's or removal's log when it stops for that.
LangString StillRunningStopped ${LANG_ENGLISH} "Memvale is still running."

; NSIS has taken Windows' display language, or its primary language, or else English. It has
; no Kazakh pages; Kazakh Windows is built on Russian, which its users read.
!define LANG_KAZAK_PRIMARY 0x3F
!macro PickLanguage prefix
Function ${prefix}PickLanguage
  System::Call "kernel32::GetUserDefaultUILanguage() i.r0"
  IntOp $0 $0 & 0x3FF
  ${If} $0 = ${LANG_KAZAK_PRIMARY}
    StrCpy $LANGUAGE ${LANG_RUSSIAN}
  ${EndIf}
FunctionEnd
!macroend
!insertmacro PickLanguage ""
!insertmacro PickLanguage "un."

; Ends the running Memvale when it is the installed program, the way its Exit command does, so
; that it saves its settings and removes its tray icon, then waits until its program file can
; be replaced. Aborts when it does not end within a few seconds and the user does not retry.
; Another copy (a portable one) holds no file of the installed one: the installer ends it only
; when the user agrees, since Memvale runs once and the installed one could not start beside
; it; a silent install and the uninstaller leave it running.
; The installed program is asked first with /exit, which returns once Memvale has ended. One
; older than the switch takes it for a second start and ends at once, doing nothing (a
; Memvale runs, so it starts none); its window is still there, and the Exit command is sent to it.
!macro EndMemvale prefix
Function ${prefix}EndMemvale
  retry:
  FindWindow $0 "#32770" "${WINDOW_CAPTION}"
  ${If} $0 <> 0
    ; The program file of the window's process; empty when Windows does not tell.
    StrCpy $1 ""
    System::Call "user32::GetWindowThreadProcessId(p r0, *i .r2)"
    System::Call "kernel32::OpenProcess(i ${PROCESS_QUERY_LIMITED_INFORMATION}, i 0, i r2) p.r3"
    ${If} $3 P<> 0
      System::Call "kernel32::QueryFullProcessImageNameW(p r3, i 0, w .r1, *i ${NSIS_MAX_STRLEN}) i.r4"
      ${If} $4 = 0
        StrCpy $1 ""
      ${EndIf}
      System::Call "kernel32::CloseHandle(p r3)"
    ${EndIf}
    ${If} $1 != "$INSTDIR\memvale.exe"
      !if "${prefix}" == "un."
        Goto gone
      !else
        MessageBox MB_YESNO|MB_ICONQUESTION "$(OtherCopyRunning)" /SD IDNO IDNO gone
      !endif
    ${Else}
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
    "$(StillRunning)" /SD IDCANCEL IDRETRY retry
  Abort "$(StillRunningStopped)"
FunctionEnd
!macroend
!insertmacro EndMemvale ""
!insertmacro EndMemvale "un."

; $0 is 1 when the Run value starts the installed program (its path, quoted as the program's own
; check box writes it, or bare; in any case), else 0. A value that starts another copy is that
; copy's: neither the installer nor the uninstaller changes it unasked.
!macro RunValueIsInstalled prefix
Function ${prefix}RunValueIsInstalled
  StrCpy $0 0
  ; Empty when there is none.
  ReadRegStr $1 HKCU "${RUN_KEY}" "${RUN_VALUE}"
  ${If} $1 == '"$INSTDIR\memvale.exe"'
  ${OrIf} $1 == "$INSTDIR\memvale.exe"
    StrCpy $0 1
  ${EndIf}
FunctionEnd
!macroend
!insertmacro RunValueIsInstalled ""
!insertmacro RunValueIsInstalled "un."

Section "Memvale" SecProgram
  SectionIn RO
  Call EndMemvale
  SetOutPath "$INSTDIR"
  ; x64 Windows runs the 64-bit program, and so does ARM64 Windows from Windows 11 (build 22000)
  ; on, which emulates x64; Windows 10 on ARM emulates 32-bit x86 programs only.
  StrCpy $0 0
  ${If} ${IsNativeAMD64}
    StrCpy $0 1
  ${ElseIf} ${IsNativeARM64}
  ${AndIf} ${AtLeastBuild} 22000
    StrCpy $0 1
  ${EndIf}
  ${If} $0 = 1
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
Section /o "$(StartWithWindows)" SecAutostart
  WriteRegStr HKCU "${RUN_KEY}" "${RUN_VALUE}" '"$INSTDIR\memvale.exe"'
SectionEnd

; Unticking the box withdraws a start with Windows of the installed program chosen earlier.
Section "-StartWithWindowsOff"
  ${IfNot} ${SectionIsSelected} ${SecAutostart}
    Call RunValueIsInstalled
    ${If} $0 = 1
      DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
    ${EndIf}
  ${EndIf}
SectionEnd

; "Start with Windows" starts ticked when asked with /AUTOSTART, and when the program in the
; chosen folder already starts with Windows, so that installing over an older version keeps that
; choice; unticked for a folder whose program does not.
Function PreselectAutostart
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/AUTOSTART" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecAutostart}
    Return
  ${EndIf}
  Call RunValueIsInstalled
  ${If} $0 = 1
    !insertmacro SelectSection ${SecAutostart}
  ${Else}
    !insertmacro UnselectSection ${SecAutostart}
  ${EndIf}
FunctionEnd

; A silent install has its folder (/D) already; the pages read it again once it is chosen.
Function .onInit
  Call PickLanguage
  Call PreselectAutostart
FunctionEnd

Function un.onInit
  Call un.PickLanguage
FunctionEnd

Function FolderChosen
  Call PreselectAutostart
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
  Call un.RunValueIsInstalled
  ${If} $0 = 1
    DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
  ${EndIf}
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd

Section /o "un.$(RemoveSettings)" UnSecSettings
  DeleteRegKey HKCU "${SETTINGS_KEY}"
SectionEnd
