; The velkor installer: the Windows folder into Program Files, a Start-menu
; entry for the show, and an uninstaller listed in Windows' installed
; programs. scripts/windows-package.sh defines VERSION, ICON, SOURCE (the staged
; folder), FILES (the Delete lines for its top-level files) and OUTFILE.
; A 64-bit installer for 64-bit programs (it also runs where Wine has no 32-bit side).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
Name "velkor ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\velkor"
InstallDirRegKey HKLM "Software\velkor" "InstallDir"
Icon "${ICON}"
UninstallIcon "${ICON}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "velkor"
VIAddVersionKey "FileDescription" "velkor installer"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "the velkor authors, MIT licence"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\velkor"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "velkor"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File /r "${SOURCE}/*"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateDirectory "$SMPROGRAMS\velkor"
  CreateShortcut "$SMPROGRAMS\velkor\velkor.lnk" "$INSTDIR\velkor.exe" "" "$INSTDIR\velkor.exe" 0
  CreateShortcut "$SMPROGRAMS\velkor\velkor (in a window).lnk" "$INSTDIR\velkor.exe" "--windowed" "$INSTDIR\velkor.exe" 0
  CreateShortcut "$SMPROGRAMS\velkor\Uninstall velkor.lnk" "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "Software\velkor" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "velkor"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "the velkor authors"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\velkor.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Only what the installer put there goes: a folder the user chose may hold
; other things (their original data, say), and those stay.
Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\velkor\velkor.lnk"
  Delete "$SMPROGRAMS\velkor\velkor (in a window).lnk"
  Delete "$SMPROGRAMS\velkor\Uninstall velkor.lnk"
  RMDir "$SMPROGRAMS\velkor"
  !include "${FILES}"
  RMDir /r "$INSTDIR\standin"
  RMDir /r "$INSTDIR\licences"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "Software\velkor"
SectionEnd
