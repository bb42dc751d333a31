; The Windows installer: for the current user, no administrator rights, a Start-menu entry,
; an uninstaller, and the version in "Apps & features". makensis gets EXE, ICON, VERSION
; and OUTFILE with -D.
Unicode true
!include LogicLib.nsh
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma

!define PRODUCT "Lumvik Hastighed"
!define PUBLISHER "Lumvik Online"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\LumvikHastighed"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
Icon "${ICON}"
UninstallIcon "${ICON}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
VIProductVersion "${VERSION}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} installer"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright (C) 2026 Lumvik Online A/S"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Install"
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File "/oname=lumvik-hastighed.exe" "${EXE}"
  File "/oname=lumvik-hastighed-cli.exe" "${CLI_EXE}"
  File "/oname=lumvik-hastighed-scheduled.exe" "${SCHEDULED_EXE}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\lumvik-hastighed.exe" "" \
    "$INSTDIR\lumvik-hastighed.exe" 0
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\lumvik-hastighed.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; A running copy keeps its file: removing the rest would orphan it. The program holds the
; mutex kRunningMutex (kernel/running.h) while it runs, seen from every session, or where
; that name is refused, kRunningMutexInSession.
Function un.onInit
  System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "Global\LumvikHastighedRunning") p .r0'
  ${If} $0 P= 0
    System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "Local\LumvikHastighedRunning") p .r0'
  ${EndIf}
  ${If} $0 P<> 0
    System::Call 'kernel32::CloseHandle(p r0)'
    MessageBox MB_OK|MB_ICONEXCLAMATION \
      "Luk ${PRODUCT}, før du afinstallerer det. Intet er fjernet." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
FunctionEnd

Section "Uninstall"
  SetShellVarContext current
  ; Hourly measuring ends with the program: the user's task goes first, through the build
  ; without a console, so that none flashes up.
  ExecWait '"$INSTDIR\lumvik-hastighed-scheduled.exe" --schedule off'
  Delete "$INSTDIR\lumvik-hastighed.exe"
  Delete "$INSTDIR\lumvik-hastighed-cli.exe"
  Delete "$INSTDIR\lumvik-hastighed-scheduled.exe"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ; The program's own folder goes only when empty: the run log and the result history stay,
  ; the customer's and the support desk's record of the line.
  RMDir "$LOCALAPPDATA\${PRODUCT}"
SectionEnd
