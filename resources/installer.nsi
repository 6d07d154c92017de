; The Windows installer: puts quillmark.exe under Program Files\Quillmark, adds a Start-menu shortcut for
; all users and an entry in the list of installed programs, and writes an uninstaller that removes all of
; it. Built by scripts/release as in: makensis -DVERSION=1.4 -DVERSION_FULL=1.4.0.0 -DEXE=... -DOUT=...
; installer.nsi. Both the installer and the uninstaller run silently with /S.

!macro Require NAME
    !ifndef ${NAME}
        !error "makensis needs -D${NAME}=..."
    !endif
!macroend
!insertmacro Require VERSION
!insertmacro Require VERSION_FULL
!insertmacro Require EXE
!insertmacro Require OUT

!define NAME "Quillmark"
!define PUBLISHER "The Quillmark developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${NAME}"

Unicode true
SetCompressor /SOLID lzma
Name "${NAME} ${VERSION}"
OutFile "${OUT}"
InstallDir "$PROGRAMFILES\${NAME}"
RequestExecutionLevel admin
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION_FULL}"
VIAddVersionKey /LANG=2057 "ProductName" "${NAME}"
VIAddVersionKey /LANG=2057 "ProductVersion" "${VERSION_FULL}"
VIAddVersionKey /LANG=2057 "FileVersion" "${VERSION_FULL}"
VIAddVersionKey /LANG=2057 "FileDescription" "${NAME} ${VERSION} setup"
VIAddVersionKey /LANG=2057 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=2057 "LegalCopyright" "${PUBLISHER}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Install"
    SetShellVarContext all
    SetOutPath "$INSTDIR"
    File "/oname=quillmark.exe" "${EXE}"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortCut "$SMPROGRAMS\${NAME}.lnk" "$INSTDIR\quillmark.exe" "" "$INSTDIR\quillmark.exe" 0

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quillmark.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ; The size the list of installed programs shows, in KiB.
    SectionGetSize 0 $0
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Removes exactly what the installer put down; the folder goes only when nothing else was left in it.
Section "Uninstall"
    SetShellVarContext all
    Delete "$SMPROGRAMS\${NAME}.lnk"
    Delete "$INSTDIR\quillmark.exe"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
