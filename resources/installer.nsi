; The Windows installer: puts quillmark.exe, qmdesc.exe, README.txt, LICENSE.txt and Guide.txt under Program
; Files\Quillmark (or the folder of an earlier install), adds Start-menu shortcuts to the program and the
; guide for all users and an entry in the list of installed programs, and writes an uninstaller that
; removes all of it. Built by scripts/release as in: makensis -DVERSION=1.4 -DVERSION_FULL=1.4.0.0
; -DSTAGE=folder-of-the-files -DOUT=... installer.nsi. Both run silently with /S.

!macro Require NAME
    !ifndef ${NAME}
        !error "makensis needs -D${NAME}=..."
    !endif
!macroend
!insertmacro Require VERSION
!insertmacro Require VERSION_FULL
!insertmacro Require STAGE
!insertmacro Require OUT

!define NAME "Quillmark"
!define PUBLISHER "The Quillmark developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${NAME}"
!define COPYRIGHT "Copyright ${U+00A9} 2026 ${PUBLISHER}"

Unicode true
SetCompressor /SOLID lzma
Name "${NAME} ${VERSION}"
OutFile "${OUT}"
InstallDir "$PROGRAMFILES\${NAME}"
; An upgrade goes where the program already is.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
; makensis works in this folder.
Icon "quillmark.ico"
UninstallIcon "quillmark.ico"
; The packed files keep no dates of their own, so that the same files give the same installer.
SetDateSave off
RequestExecutionLevel admin
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION_FULL}"
VIAddVersionKey /LANG=2057 "ProductName" "${NAME}"
VIAddVersionKey /LANG=2057 "ProductVersion" "${VERSION_FULL}"
VIAddVersionKey /LANG=2057 "FileVersion" "${VERSION_FULL}"
VIAddVersionKey /LANG=2057 "FileDescription" "${NAME} ${VERSION} setup"
VIAddVersionKey /LANG=2057 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=2057 "LegalCopyright" "${COPYRIGHT}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; Quillmark running from the install folder holds quillmark.exe open, and neither Windows nor Wine lets
; it be opened for writing then. So before anything is copied or removed, the user is asked to close it;
; silently, nothing changes and the exit code is 2.
!macro StopWhileRunning UN
Function ${UN}StopWhileRunning
    IfFileExists "$INSTDIR\quillmark.exe" 0 free
    check:
        ClearErrors
        FileOpen $0 "$INSTDIR\quillmark.exe" a
        IfErrors running
        FileClose $0
        Goto free
    running:
        IfSilent quit
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Quillmark is running. Close it and press Retry." IDRETRY check
    quit:
        SetErrorLevel 2
        Quit
    free:
FunctionEnd
!macroend
!insertmacro StopWhileRunning ""
!insertmacro StopWhileRunning "un."

Section "Install"
    SetShellVarContext all
    Call StopWhileRunning
    SetOutPath "$INSTDIR"
    ; A file that cannot be written fails the install, never passes for installed.
    ClearErrors
    File "${STAGE}/quillmark.exe"
    File "${STAGE}/qmdesc.exe"
    File "${STAGE}/README.txt"
    File "${STAGE}/LICENSE.txt"
    File "${STAGE}/Guide.txt"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    IfErrors 0 +3
        SetErrorLevel 3
        Abort "Quillmark could not be installed in $INSTDIR."
    CreateShortCut "$SMPROGRAMS\${NAME}.lnk" "$INSTDIR\quillmark.exe" "" "$INSTDIR\quillmark.exe" 0
    CreateShortCut "$SMPROGRAMS\${NAME} guide.lnk" "$INSTDIR\Guide.txt"

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
    Call un.StopWhileRunning
    Delete "$SMPROGRAMS\${NAME}.lnk"
    Delete "$SMPROGRAMS\${NAME} guide.lnk"
    Delete "$INSTDIR\quillmark.exe"
    Delete "$INSTDIR\qmdesc.exe"
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\Guide.txt"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
