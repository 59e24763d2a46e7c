; The rdspanel installer: a per-user install that needs no administrator rights, a Start-menu
; entry, and an uninstaller that removes everything it installed. The settings (rds.ini in
; %APPDATA%\rdspanel) are the operator's and stay.
;
; makensis -DVERSION=1.0.0 -DSOURCE=<program folder> -DOUTFILE=<setup.exe> -DICON=<.ico> installer.nsi

; The program is 64-bit, and so is the installer: it runs where the program runs.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!define NAME "rdspanel"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${NAME}"

Name "rdspanel ${VERSION}"
Caption "rdspanel ${VERSION} Setup"
OutFile "${OUTFILE}"
Icon "${ICON}"
UninstallIcon "${ICON}"
InstallDir "$LOCALAPPDATA\Programs\${NAME}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "rdspanel"
VIAddVersionKey "FileDescription" "rdspanel ${VERSION} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "All rights reserved"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "rdspanel"
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File /r "${SOURCE}/*"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\rdspanel.lnk" "$INSTDIR\rdspanel.exe" "" "$INSTDIR\rdspanel.exe" 0
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "rdspanel ${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "rdspanel"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\rdspanel.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  Delete "$SMPROGRAMS\rdspanel.lnk"
  ; Only what the installer put there: a folder the operator chose may hold other files.
  Delete "$INSTDIR\rdspanel.exe"
  Delete "$INSTDIR\Qt6*.dll"
  Delete "$INSTDIR\README.txt"
  RMDir /r "$INSTDIR\platforms"
  RMDir /r "$INSTDIR\styles"
  RMDir /r "$INSTDIR\fonts"
  RMDir /r "$INSTDIR\licences"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
