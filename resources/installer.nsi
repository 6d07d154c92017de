; The Windows installer: puts quillmark.exe, qmdesc.exe, qmdescw.exe, README.txt, LICENSE.txt and Guide.txt
; under Program Files\Quillmark (or the folder of an earlier install), adds Start-menu shortcuts to the
; program and the guide for all users and an entry in the list of installed programs, and writes an
; uninstaller that removes all of it. Two parts are optional, both off unless chosen: qmdesc watch at
; sign-in (/WATCH when silent) and qmdesc on the PATH (/PATH). Built by scripts/release as in: makensis
; -DVERSION=1.4 -DVERSION_FULL=1.4.0.0 -DSTAGE=folder-of-the-files -DOUT=... installer.nsi. Both run
; silently with /S.

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
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "Quillmark watch"
!define WATCH_MENU "$SMPROGRAMS\Quillmark watch"

!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "Sections.nsh"

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

Page components
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

Section "Quillmark and qmdesc" SecProgram
    SectionIn RO
    SetShellVarContext all
    Call StopWhileRunning
    ; A watcher running from the install folder holds qmdescw.exe open: it ends before the copy.
    IfFileExists "$INSTDIR\qmdescw.exe" 0 +2
        ExecWait '"$INSTDIR\qmdescw.exe" --stop'
    SetOutPath "$INSTDIR"
    ; A file that cannot be written fails the install, never passes for installed.
    ClearErrors
    File "${STAGE}/quillmark.exe"
    File "${STAGE}/qmdesc.exe"
    File "${STAGE}/qmdescw.exe"
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

; qmdescw.exe, which watches the Documents, Pictures and Desktop folders of whoever signs in, started at
; this user's sign-in and once now; the Start menu starts it, stops it and shows its log.
Section /o "Keep descriptions with renamed files (watch at sign-in)" SecWatch
    SetShellVarContext all
    WriteRegStr HKCU "${RUN_KEY}" "${RUN_VALUE}" '"$INSTDIR\qmdescw.exe"'
    CreateDirectory "${WATCH_MENU}"
    CreateShortCut "${WATCH_MENU}\Start watching.lnk" "$INSTDIR\qmdescw.exe"
    CreateShortCut "${WATCH_MENU}\Stop watching.lnk" "$INSTDIR\qmdescw.exe" "--stop"
    CreateShortCut "${WATCH_MENU}\Watch log.lnk" "$INSTDIR\qmdescw.exe" "--log"
    Exec '"$INSTDIR\qmdescw.exe"'
SectionEnd

; The install folder on the machine's PATH, as the install is for all users. qmdescw.exe edits it: a PATH
; longer than this installer's strings would be cut short here.
Section /o "Add qmdesc to the PATH" SecPath
    ExecWait '"$INSTDIR\qmdescw.exe" --add-to-path machine "$INSTDIR"' $0
    StrCmp $0 0 +3
        MessageBox MB_OK|MB_ICONEXCLAMATION "qmdesc could not be added to the PATH." /SD IDOK
        Return
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "OnPath" 1
SectionEnd

; The optional parts that were not chosen are taken off again: an upgrade can turn them off.
Section "-Unchosen parts"
    SetShellVarContext all
    ${IfNot} ${SectionIsSelected} ${SecWatch}
        DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
        Call RemoveWatchMenu
    ${EndIf}
    ${IfNot} ${SectionIsSelected} ${SecPath}
        ExecWait '"$INSTDIR\qmdescw.exe" --remove-from-path machine "$INSTDIR"'
        DeleteRegValue HKLM "${UNINSTALL_KEY}" "OnPath"
    ${EndIf}
SectionEnd

!macro RemoveWatchMenu UN
Function ${UN}RemoveWatchMenu
    Delete "${WATCH_MENU}\Start watching.lnk"
    Delete "${WATCH_MENU}\Stop watching.lnk"
    Delete "${WATCH_MENU}\Watch log.lnk"
    RMDir "${WATCH_MENU}"
FunctionEnd
!macroend
!insertmacro RemoveWatchMenu ""
!insertmacro RemoveWatchMenu "un."

; /WATCH and /PATH on the command line choose the optional parts, silently too; an upgrade keeps those
; the last install set up.
Function .onInit
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/WATCH" $R1
    IfErrors 0 watch
    ReadRegStr $R1 HKCU "${RUN_KEY}" "${RUN_VALUE}"
    StrCmp $R1 "" path
    watch:
        !insertmacro SelectSection ${SecWatch}
    path:
    ClearErrors
    ${GetOptions} $R0 "/PATH" $R1
    IfErrors 0 path_chosen
    ReadRegDWORD $R1 HKLM "${UNINSTALL_KEY}" "OnPath"
    StrCmp $R1 1 0 done
    path_chosen:
        !insertmacro SelectSection ${SecPath}
    done:
FunctionEnd

; Removes exactly what the installer put down; the folder goes only when nothing else was left in it.
Section "Uninstall"
    SetShellVarContext all
    Call un.StopWhileRunning
    ExecWait '"$INSTDIR\qmdescw.exe" --stop'
    ExecWait '"$INSTDIR\qmdescw.exe" --remove-from-path machine "$INSTDIR"'
    DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
    Call un.RemoveWatchMenu
    Delete "$SMPROGRAMS\${NAME}.lnk"
    Delete "$SMPROGRAMS\${NAME} guide.lnk"
    Delete "$INSTDIR\quillmark.exe"
    Delete "$INSTDIR\qmdesc.exe"
    Delete "$INSTDIR\qmdescw.exe"
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\Guide.txt"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
