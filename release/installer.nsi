; The Tumbleroo installer: a per-user install that never asks for elevation.
;
;   makensis -DVERSION=1.0.0 -DWIN64_DIR=... -DWIN32_DIR=... -DDATA_DIR=... -DOUTFILE=... installer.nsi
;
; WIN64_DIR and WIN32_DIR hold each build's Gorvath.exe, Vantrel.exe, zmvorq.dll, worldsim.exe and selfcheck.exe;
; DATA_DIR holds the sample files, OPERATOR-GUIDE.TXT, CHANGES.txt, ROOM.TXT and SELFCHECK.CMD (scripts/package.sh
; prepares all of them). The 64-bit programs
; go onto 64-bit Windows, the 32-bit ones elsewhere.
;
; Silent install: setup.exe /S [/D=folder]. The uninstaller keeps the saved game, the settings and the texts the
; operator may have edited unless its "saved game and settings" part is ticked, or it runs with /REMOVEDATA.
Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel user

!include "MUI2.nsh"
!include "x64.nsh"
!include "FileFunc.nsh"

!define PRODUCT "Tumbleroo"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tumbleroo"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Tumbleroo"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${COPYRIGHT}"
VIAddVersionKey /LANG=1033 "CompanyName" "The Tumbleroo developers"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\OPERATOR-GUIDE.TXT"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Open the operator's guide"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
    SetShellVarContext current
FunctionEnd

Section "Tumbleroo" SecMain
    SectionIn RO
    SetOutPath "$INSTDIR"
    ${If} ${RunningX64}
        File "${WIN64_DIR}\Gorvath.exe"
        File "${WIN64_DIR}\Vantrel.exe"
        File "${WIN64_DIR}\zmvorq.dll"
    ${Else}
        File "${WIN32_DIR}\Gorvath.exe"
        File "${WIN32_DIR}\Vantrel.exe"
        File "${WIN32_DIR}\zmvorq.dll"
    ${EndIf}
    File "${DATA_DIR}\OPERATOR-GUIDE.TXT"
    File "${DATA_DIR}\CHANGES.txt"
    ; The operator's own texts are never replaced by a newer install.
    SetOverwrite off
    File "${DATA_DIR}\GORVATH.TXT"
    File "${DATA_DIR}\MACTITS.TXT"
    File "${DATA_DIR}\MACRO*.TXT"
    SetOverwrite on

    SetOutPath "$INSTDIR\Rehearsal"
    ${If} ${RunningX64}
        File "${WIN64_DIR}\worldsim.exe"
        File "${WIN64_DIR}\selfcheck.exe"
    ${Else}
        File "${WIN32_DIR}\worldsim.exe"
        File "${WIN32_DIR}\selfcheck.exe"
    ${EndIf}
    File "${DATA_DIR}\ROOM.TXT"
    File "${DATA_DIR}\SELFCHECK.CMD"

    ; Shortcuts start in the folder of the files each program reads and writes.
    CreateDirectory "$SMPROGRAMS\Tumbleroo"
    SetOutPath "$INSTDIR"
    CreateShortCut "$SMPROGRAMS\Tumbleroo\Tumbleroo game host.lnk" "$INSTDIR\Gorvath.exe"
    CreateShortCut "$SMPROGRAMS\Tumbleroo\Link configurator.lnk" "$INSTDIR\Vantrel.exe"
    CreateShortCut "$SMPROGRAMS\Tumbleroo\Operator's guide.lnk" "$INSTDIR\OPERATOR-GUIDE.TXT"
    CreateShortCut "$SMPROGRAMS\Tumbleroo\Uninstall Tumbleroo.lnk" "$INSTDIR\Uninstall.exe"
    SetOutPath "$INSTDIR\Rehearsal"
    CreateShortCut "$SMPROGRAMS\Tumbleroo\Rehearsal world (stand-in world client).lnk" \
        "$INSTDIR\Rehearsal\worldsim.exe" "--scenario ROOM.TXT"
    CreateShortCut "$SMPROGRAMS\Tumbleroo\Self-check.lnk" "$INSTDIR\Rehearsal\SELFCHECK.CMD"
    SetOutPath "$INSTDIR"

    WriteUninstaller "$INSTDIR\Uninstall.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "The Tumbleroo developers"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Gorvath.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "un.Tumbleroo programs and shortcuts" SecUnMain
    SectionIn RO
    Delete "$INSTDIR\Gorvath.exe"
    Delete "$INSTDIR\Vantrel.exe"
    Delete "$INSTDIR\zmvorq.dll"
    Delete "$INSTDIR\OPERATOR-GUIDE.TXT"
    Delete "$INSTDIR\CHANGES.txt"
    Delete "$INSTDIR\Rehearsal\worldsim.exe"
    Delete "$INSTDIR\Rehearsal\ROOM.TXT"
    Delete "$INSTDIR\Rehearsal\worldsim.log"
    Delete "$INSTDIR\Rehearsal\selfcheck.exe"
    Delete "$INSTDIR\Rehearsal\SELFCHECK.CMD"
    Delete "$INSTDIR\Rehearsal\SELFCHECK.TXT"
    RMDir "$INSTDIR\Rehearsal"
    Delete "$SMPROGRAMS\Tumbleroo\Tumbleroo game host.lnk"
    Delete "$SMPROGRAMS\Tumbleroo\Link configurator.lnk"
    Delete "$SMPROGRAMS\Tumbleroo\Operator's guide.lnk"
    Delete "$SMPROGRAMS\Tumbleroo\Uninstall Tumbleroo.lnk"
    Delete "$SMPROGRAMS\Tumbleroo\Rehearsal world (stand-in world client).lnk"
    Delete "$SMPROGRAMS\Tumbleroo\Self-check.lnk"
    RMDir "$SMPROGRAMS\Tumbleroo"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
    Delete "$INSTDIR\Uninstall.exe"
    ; Left alone when the operator's files are kept.
    RMDir "$INSTDIR"
SectionEnd

Section /o "un.Saved game and settings (GORVATH.SAV, SCONTROL.TXT, edited texts)" SecUnData
    Delete "$INSTDIR\GORVATH.SAV"
    Delete "$INSTDIR\GORVATH.BAK"
    Delete "$INSTDIR\SCONTROL.TXT"
    Delete "$INSTDIR\GORVATH.TXT"
    Delete "$INSTDIR\MACTITS.TXT"
    Delete "$INSTDIR\MACRO*.TXT"
    Delete "$INSTDIR\GORVATH.LOG"
    Delete "$INSTDIR\GORVATH.LO1"
    Delete "$INSTDIR\GORVATH.DMP"
    Delete "$INSTDIR\ROUNDS.CSV"
    Delete "$INSTDIR\SEASON.HTM"
    Delete "$INSTDIR\VANTREL.LOG"
    Delete "$INSTDIR\VANTREL.LO1"
    Delete "$INSTDIR\VANTREL.DMP"
    Call un.RemoveInstallFolder
SectionEnd

; The emptied folder, tried again for some seconds: a program that was just closed (or a scanner looking at what was
; deleted) may still hold it open for a moment, and the folder then stays behind, empty.
Function un.RemoveInstallFolder
    StrCpy $0 0
    try:
        RMDir "$INSTDIR"
        IfFileExists "$INSTDIR\*.*" 0 done
        IntOp $0 $0 + 1
        IntCmp $0 20 done
        Sleep 250
        Goto try
    done:
FunctionEnd

; After the sections: it selects one of them.
Function un.onInit
    SetShellVarContext current
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/REMOVEDATA" $1
    ${IfNot} ${Errors}
        !insertmacro SelectSection ${SecUnData}
    ${EndIf}
FunctionEnd

!insertmacro MUI_UNFUNCTION_DESCRIPTION_BEGIN
    !insertmacro MUI_DESCRIPTION_TEXT ${SecUnMain} "The programs, the guide, the rehearsal world and the Start-menu entries."
    !insertmacro MUI_DESCRIPTION_TEXT ${SecUnData} "Also delete the saved game (GORVATH.SAV and GORVATH.BAK), the link settings (SCONTROL.TXT), the categories, the macro texts and the support logs and crash reports. Leave this unticked to keep them for a later install."
!insertmacro MUI_UNFUNCTION_DESCRIPTION_END
