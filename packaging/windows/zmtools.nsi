; The per-user installer of the Windows zip's tree, made by scripts/windows.sh:
;   makensis -DVERSION=1.0 -DVERSION4=1.0.0.0 -DARCH=x64 -DSTAGE=<the zip's tree> \
;            -DICON=<zm32.ico> -DOUTFILE=<setup.exe> packaging/windows/zmtools.nsi
; ARCH is x64 or x86. No administrator: everything goes under the user's profile and HKCU.
Unicode true
!if ${ARCH} == x64
  Target amd64-unicode
!endif
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include LogicLib.nsh
!include FileFunc.nsh
!include WordFunc.nsh
!include WinMessages.nsh

!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\zmtools"
!define PUBLISHER "the zmtools authors"

Name "zmtools ${VERSION}"
OutFile "${OUTFILE}"
Icon "${ICON}"
UninstallIcon "${ICON}"
InstallDir "$LOCALAPPDATA\Programs\zmtools"
; An update goes where the last install went.
InstallDirRegKey HKCU "${UNINST_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION4}"
VIFileVersion "${VERSION4}"
VIAddVersionKey /LANG=1033 "ProductName" "zmtools"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "zmtools ${VERSION} setup (${ARCH})"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "MIT License, ${PUBLISHER}"
VIAddVersionKey /LANG=1033 "OriginalFilename" "zmtools-${VERSION}-setup-${ARCH}.exe"

Page components
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; The installed files, once for both directions. Anything else in the folder is the user's.
!macro ZmFiles DO
  !insertmacro ${DO} "" LICENSE.txt
  !insertmacro ${DO} "" README.txt
  !insertmacro ${DO} bin zm32.exe
  !insertmacro ${DO} bin zm32.txt
  !insertmacro ${DO} bin zm32ini.txt
  !insertmacro ${DO} bin zmcli.exe
  !insertmacro ${DO} bin zmimage.exe
  !insertmacro ${DO} bin dabrix.exe
  !insertmacro ${DO} bin morvel.exe
  !insertmacro ${DO} bin zmhwcomm.dll
  !insertmacro ${DO} include zmhwcomm.h
  !insertmacro ${DO} lib libzmhwcomm.dll.a
  !insertmacro ${DO} lib zmhwcomm.def
  !insertmacro ${DO} lib zmhwcomm.lib
  !insertmacro ${DO} examples zmhwcomm_example.c
!macroend
!macro ZmInstallFile DIR NAME
  SetOutPath "$INSTDIR\${DIR}"
  File "${STAGE}\${DIR}\${NAME}"
!macroend
!macro ZmDeleteFile DIR NAME
  Delete "$INSTDIR\${DIR}\${NAME}"
!macroend

!define SM_FOLDER "$SMPROGRAMS\zmtools"
!define PATH_ENTRY "$INSTDIR\bin"

; PATH as one string: NSIS strings hold 1024 characters, and a longer value read back would
; be cut, so such a PATH is left as it is and the user told.
; Out: $R9 the value ("" when there is none), $R8 1 when it can be rewritten safely.
!macro ZmReadPath UN
Function ${UN}ZmReadPath
  StrCpy $R8 1
  ClearErrors
  ReadRegStr $R9 HKCU "Environment" "Path"
  ${If} ${Errors}
    ; Missing is fine; present but unreadable is not.
    StrCpy $R9 ""
    StrCpy $0 0
    ${Do}
      EnumRegValue $1 HKCU "Environment" $0
      ${If} $1 == ""
        ${Break}
      ${EndIf}
      ${If} $1 == "Path"
        StrCpy $R8 0
        ${Break}
      ${EndIf}
      IntOp $0 $0 + 1
    ${Loop}
  ${EndIf}
  StrLen $0 $R9
  ${If} $0 >= 1000
    StrCpy $R8 0
  ${EndIf}
FunctionEnd
; Writes $R7 as the user's PATH ("" removes the value) and tells running programs.
Function ${UN}ZmWritePath
  ${If} $R7 == ""
    DeleteRegValue HKCU "Environment" "Path"
  ${Else}
    WriteRegExpandStr HKCU "Environment" "Path" $R7
  ${EndIf}
  SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=1000
FunctionEnd
; Takes the entry in $R6 out of the user's PATH, every copy of it, and nothing else.
Function ${UN}ZmRemovePathEntry
  Call ${UN}ZmReadPath
  ${If} $R8 != 1
    DetailPrint "PATH is too long to be changed here: remove $R6 from it by hand"
    Return
  ${EndIf}
  ; Between semicolons, the entry is a whole entry, first or last ones included.
  StrCpy $0 ";$R9;"
  ${Do}
    ${WordReplace} $0 ";$R6;" ";" "+" $1
    ${If} $1 == $0
      ${Break}
    ${EndIf}
    StrCpy $0 $1
  ${Loop}
  ${If} $0 != ";$R9;"
    StrCpy $R7 $0 "" 1
    StrCpy $R7 $R7 -1
    Call ${UN}ZmWritePath
    DetailPrint "Removed from PATH: $R6"
  ${EndIf}
FunctionEnd
!macroend
!insertmacro ZmReadPath ""
!insertmacro ZmReadPath "un."

Section "zmtools (required)" SecPrograms
  SectionIn RO
  !insertmacro ZmFiles ZmInstallFile
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  ; Started from the Start menu, zm32 opens its file dialogs and writes its log in Documents.
  CreateDirectory "${SM_FOLDER}"
  SetOutPath "$DOCUMENTS"
  CreateShortcut "${SM_FOLDER}\zm32.lnk" "$INSTDIR\bin\zm32.exe" "" "$INSTDIR\bin\zm32.exe" 0
  CreateShortcut "${SM_FOLDER}\zm32 help.lnk" "$INSTDIR\bin\zm32.txt"
  CreateShortcut "${SM_FOLDER}\Uninstall zmtools.lnk" "$INSTDIR\Uninstall.exe"
  SetOutPath "$INSTDIR"

  WriteRegStr HKCU "${UNINST_KEY}" "DisplayName" "zmtools ${VERSION} (${ARCH})"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\bin\zm32.exe,0"
  WriteRegStr HKCU "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINST_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKCU "${UNINST_KEY}" "EstimatedSize" $0
SectionEnd

Section "Put zmcli, zmimage, dabrix and morvel on PATH" SecPath
  Call ZmReadPath
  ${If} $R8 != 1
    DetailPrint "PATH is too long to be changed here: add ${PATH_ENTRY} to it by hand"
    MessageBox MB_OK|MB_ICONEXCLAMATION "Your PATH is too long for this installer to change it safely.$\r$\nAdd ${PATH_ENTRY} to it by hand." /SD IDOK
    Return
  ${EndIf}
  ; Only the entry this installer added is its own to take out again.
  ${WordReplace} ";$R9;" ";${PATH_ENTRY};" ";" "+" $0
  ${If} $0 == ";$R9;"
    StrCpy $1 $R9 "" -1
    ${If} $R9 == ""
      StrCpy $R7 "${PATH_ENTRY}"
    ${ElseIf} $1 == ";"
      StrCpy $R7 "$R9${PATH_ENTRY}"
    ${Else}
      StrCpy $R7 "$R9;${PATH_ENTRY}"
    ${EndIf}
    StrLen $1 $R7
    ${If} $1 >= 1000
      DetailPrint "PATH would get too long: add ${PATH_ENTRY} to it by hand"
      Return
    ${EndIf}
    Call ZmWritePath
    WriteRegStr HKCU "${UNINST_KEY}" "PathEntry" "${PATH_ENTRY}"
    DetailPrint "Added to PATH: ${PATH_ENTRY}"
  ${EndIf}
SectionEnd

; Unticked on an update: the entry an earlier install added goes.
Function .onInstSuccess
  ${IfNot} ${SectionIsSelected} ${SecPath}
    ReadRegStr $R6 HKCU "${UNINST_KEY}" "PathEntry"
    ${If} $R6 != ""
      Call ZmRemovePathEntry
      DeleteRegValue HKCU "${UNINST_KEY}" "PathEntry"
    ${EndIf}
  ${EndIf}
FunctionEnd

Section "Uninstall"
  ReadRegStr $R6 HKCU "${UNINST_KEY}" "PathEntry"
  ${If} $R6 != ""
    Call un.ZmRemovePathEntry
  ${EndIf}
  !insertmacro ZmFiles ZmDeleteFile
  Delete "$INSTDIR\Uninstall.exe"
  Delete "${SM_FOLDER}\zm32.lnk"
  Delete "${SM_FOLDER}\zm32 help.lnk"
  Delete "${SM_FOLDER}\Uninstall zmtools.lnk"
  ; Folders go only when empty: what the user put there stays.
  RMDir "${SM_FOLDER}"
  RMDir "$INSTDIR\bin"
  RMDir "$INSTDIR\include"
  RMDir "$INSTDIR\lib"
  RMDir "$INSTDIR\examples"
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINST_KEY}"
SectionEnd
