; Velotune setup program and uninstaller.
;   makensis -INPUTCHARSET UTF8 -DVT_ARCH=x64|x86 -DVT_DIST=<dist folder>
;            -DVT_FILES=<generated file lists> -DVT_OUTDIR=<folder>
;            -DVT_ICON=<icon> -DVT_MSI_UPGRADE_CODE=<{guid} of the MSI package>
;            [-DVT_NAME_FILE=<file>] [-DVT_SIGN=<signer>]
;            installer/Velotune.nsi
; scripts/installer.sh passes all of these ("make installer").
;
; Switches of the setup program: /S (silent), /LANG=en|zh (language of the
; program; a silent run without it keeps the language of an installed copy,
; or else takes the system's UI language), /D=<folder> (last, unquoted).
; Switches of the uninstaller: /S, /REMOVELOGS (also remove the log folder).

Unicode true
!ifndef VT_ARCH | VT_DIST | VT_FILES | VT_OUTDIR | VT_ICON | VT_MSI_UPGRADE_CODE
  !error "VT_ARCH, VT_DIST, VT_FILES, VT_OUTDIR, VT_ICON and VT_MSI_UPGRADE_CODE must be defined (see scripts/installer.sh)"
!endif
!if "${VT_ARCH}" == "x64"
  Target amd64-unicode
!else if "${VT_ARCH}" == "x86"
  Target x86-unicode
!else
  !error "VT_ARCH must be x64 or x86"
!endif

; The version is the one in the program's own version resource.
!getdllversion "${VT_DIST}/Velotune.exe" VT_VER_
!define VT_VERSION "${VT_VER_1}.${VT_VER_2}.${VT_VER_3}.${VT_VER_4}"

!define VT_PRODUCT "Velotune"
!define VT_PUBLISHER "Velotune"
!define VT_UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Velotune"
!define VT_SETTINGS_KEY "Software\Dizaz\Velotune"
!define VT_RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define VT_UNINSTALLER "Uninstall.exe"

!define VT_SETUP_FILE "Velotune-Setup-${VT_VERSION}-${VT_ARCH}.exe"
!ifdef VT_NAME_FILE
  ; Tells the build script (which empties it first) the file this run writes.
  !appendfile "${VT_NAME_FILE}" "${VT_SETUP_FILE}"
!endif

Name "${VT_PRODUCT}"
OutFile "${VT_OUTDIR}/${VT_SETUP_FILE}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
; The packed files' dates would make every build's bytes differ.
SetDateSave off
; Signing (scripts/installer.sh passes the signer when it has a certificate):
; the uninstaller before it is packed, the setup program once written.
!ifdef VT_SIGN
  !uninstfinalize '"${VT_SIGN}" "%1"' = 0
  !finalize '"${VT_SIGN}" "%1"' = 0
!endif
ShowInstDetails show
ShowUninstDetails show
BrandingText "${VT_PRODUCT} ${VT_VERSION}"
!if "${VT_ARCH}" == "x64"
  InstallDir "$PROGRAMFILES64\${VT_PRODUCT}"
!else
  InstallDir "$PROGRAMFILES32\${VT_PRODUCT}"
!endif
; An installed copy is upgraded where it is.
InstallDirRegKey HKLM "${VT_UNINSTALL_KEY}" "InstallLocation"

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include x64.nsh

!define MUI_ICON "${VT_ICON}"
; The setup program's own pictures in the dial's style, and the uninstaller's
; icon (scripts/draw-installer-images.sh, scripts/make-skin-images.py); makensis
; reads them beside this script, its working folder.
!define MUI_UNICON "art/uninstall.ico"
!define MUI_WELCOMEFINISHPAGE_BITMAP "art/welcome.bmp"
!define MUI_HEADERIMAGE
!define MUI_HEADERIMAGE_RIGHT
!define MUI_HEADERIMAGE_BITMAP "art/header.bmp"
!define MUI_ABORTWARNING
!define MUI_LANGDLL_ALLLANGUAGES
!define MUI_LANGDLL_ALWAYSSHOW

!insertmacro MUI_PAGE_WELCOME
; The chosen folder is checked before the user leaves the page (FolderSecurity.nsh).
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE VtFolderPageLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\Velotune.exe"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!define MUI_COMPONENTSPAGE_TEXT_TOP "$(VT_UNINSTALL_INFO)"
!define MUI_COMPONENTSPAGE_NODESC
; Removing needs no room: the page's "Space required: 0.0 KB" says nothing.
!define MUI_PAGE_CUSTOMFUNCTION_SHOW un.VtComponentsShow
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_RESERVEFILE_LANGDLL

; makensis runs in this folder.
!include "Strings.nsh"
!include "Functions.nsh"
!include "Upgrade.nsh"
; Its section comes first: nothing is installed into a folder it refuses.
!include "FolderSecurity.nsh"
!include "${VT_FILES}"

!insertmacro VT_DEFINE_IS_STANDIN ""
!insertmacro VT_DEFINE_IS_STANDIN "un."
!insertmacro VT_DEFINE_CLOSE_RUNNING ""
!insertmacro VT_DEFINE_CLOSE_RUNNING "un."
!insertmacro VT_DEFINE_IN_FILE_LIST

VIProductVersion "${VT_VERSION}"
VIFileVersion "${VT_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${VT_PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${VT_PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "Velotune Setup (${VT_ARCH})"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VT_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VT_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "${VT_PUBLISHER}"

; The program's language from its registry value: exactly "en" is English,
; any other value Chinese (the program reads it the same way); no value: no
; choice made yet. Result in $0: a language id, or "" when there is no value.
!macro VT_LANGUAGE_FROM_REGISTRY
  ReadRegStr $0 HKCU "${VT_SETTINGS_KEY}" "Languages"
  ${If} $0 S== "en"
    StrCpy $0 ${LANG_ENGLISH}
  ${ElseIf} $0 != ""
    StrCpy $0 ${LANG_SIMPCHINESE}
  ${EndIf}
!macroend

; Exit code of a setup program that found a copy installed from the MSI
; package (nothing installed or changed).
!define VT_EXIT_MSI_COPY 4

Function .onInit
  !if "${VT_ARCH}" == "x64"
    SetRegView 64
  !endif
  ; A copy installed from the MSI package of this architecture is Windows
  ; Installer's to upgrade and remove: installed over, it would get a second
  ; entry in Add or Remove Programs, and either uninstaller would leave the
  ; other's record of files behind.
  System::Call 'msi::MsiEnumRelatedProductsW(w "${VT_MSI_UPGRADE_CODE}", i 0, i 0, w .r1) i .r0'
  ${If} $0 = 0
    MessageBox MB_OK|MB_ICONSTOP "$(VT_MSI_COPY)" /SD IDOK
    SetErrorLevel ${VT_EXIT_MSI_COPY}
    Quit
  ${EndIf}
  ; Default: the system's UI language (NSIS's own choice of $LANGUAGE);
  ; an installed copy's language wins over it, /LANG= over both.
  !insertmacro VT_LANGUAGE_FROM_REGISTRY
  ${If} $0 != ""
    StrCpy $LANGUAGE $0
  ${EndIf}
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/LANG=" $2
  ${IfNot} ${Errors}
    ${If} $2 == "en"
    ${OrIf} $2 == "english"
    ${OrIf} $2 == "${LANG_ENGLISH}"
      StrCpy $LANGUAGE ${LANG_ENGLISH}
    ${ElseIf} $2 == "zh"
    ${OrIf} $2 == "zh-CN"
    ${OrIf} $2 == "chinese"
    ${OrIf} $2 == "${LANG_SIMPCHINESE}"
      StrCpy $LANGUAGE ${LANG_SIMPCHINESE}
    ${EndIf}
  ${EndIf}
  ; Shown only in an interactive run, with the language above selected.
  !insertmacro MUI_LANGDLL_DISPLAY
FunctionEnd

Section "-${VT_PRODUCT}" SecProgram
  SetShellVarContext all
  ; An upgrade: the running program exits first, as its own exit does.
  Call CloseRunning
  Call RemoveDroppedFiles

  SetOutPath "$INSTDIR"
  !insertmacro VT_INSTALL_FILES
  !insertmacro VT_WRITE_FILE_LIST
  CreateDirectory "$INSTDIR\log"
  ; The user's Velotune.ini is never shipped, so an upgrade keeps it.
  WriteUninstaller "$INSTDIR\${VT_UNINSTALLER}"

  ; The program's display language, written as the program reads it.
  ${If} $LANGUAGE = ${LANG_ENGLISH}
    WriteRegStr HKCU "${VT_SETTINGS_KEY}" "Languages" "en"
  ${Else}
    WriteRegStr HKCU "${VT_SETTINGS_KEY}" "Languages" "zh"
  ${EndIf}

  SetOutPath "$INSTDIR"
  CreateShortcut "$SMPROGRAMS\${VT_PRODUCT}.lnk" "$INSTDIR\Velotune.exe" "" "$INSTDIR\Velotune.exe" 0

  WriteRegStr HKLM "${VT_UNINSTALL_KEY}" "DisplayName" "${VT_PRODUCT}"
  WriteRegStr HKLM "${VT_UNINSTALL_KEY}" "DisplayVersion" "${VT_VERSION}"
  WriteRegDWORD HKLM "${VT_UNINSTALL_KEY}" "VersionMajor" ${VT_VER_1}
  WriteRegDWORD HKLM "${VT_UNINSTALL_KEY}" "VersionMinor" ${VT_VER_2}
  WriteRegStr HKLM "${VT_UNINSTALL_KEY}" "Publisher" "${VT_PUBLISHER}"
  WriteRegStr HKLM "${VT_UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Velotune.exe,0"
  WriteRegStr HKLM "${VT_UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${VT_UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${VT_UNINSTALLER}"'
  WriteRegStr HKLM "${VT_UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${VT_UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${VT_UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${VT_UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${VT_UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; ---------------------------------------------------------------- uninstaller

; Exit codes of the uninstaller (besides NSIS's own 1, cancelled, and 2,
; stopped because Velotune did not exit, nothing changed); see README.md.
!define VT_UN_DONE 0
!define VT_UN_RESTORE_FAILED 3
!define VT_UN_SDK_UNREACHABLE 4
!define VT_UN_RESTORE_NOT_TRIED 5
!define VT_UN_RESTORE_UNKNOWN 6
Var VtUnExit

; un.Log: appends the text on the stack to log\Install.log, the record a
; silent run leaves (the details list goes with its window).
Function un.Log
  Exch $0
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  Push $6
  Push $7
  ${GetTime} "" "L" $1 $2 $3 $4 $5 $6 $7
  StrCpy $1 "$3-$2-$1 $5:$6:$7 $0"
  ; A "Create folder" line among the removals would read as if the
  ; uninstaller made something: the folder is there to write in, unsaid.
  SetDetailsPrint none
  CreateDirectory "$INSTDIR\log"
  SetDetailsPrint lastused
  ClearErrors
  FileOpen $2 "$INSTDIR\log\Install.log" a
  ${IfNot} ${Errors}
    FileSeek $2 0 END
    FileWrite $2 "$1$\r$\n"
    FileClose $2
  ${EndIf}
  Pop $7
  Pop $6
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; Runs "Velotune.exe /RestoreOverclocking"; its exit code in $0 ("" when it
; could not be started).
Function un.RunRestore
  ClearErrors
  ExecWait '"$INSTDIR\Velotune.exe" /RestoreOverclocking' $0
  ${If} ${Errors}
    StrCpy $0 ""
  ${EndIf}
  DetailPrint "Velotune.exe /RestoreOverclocking: $0"
FunctionEnd

; Puts the processor's defaults back through the program, and acts on its
; answer: 1 at the defaults, 2 the restore failed, 3 the SDK could not be
; reached, 4 another copy was running. A copy that started after the close
; is closed as well and the restore tried once more; any answer but 1 is
; said (a message, unless silent), logged and becomes the exit code.
Function un.RestoreProcessor
  Push $0
  Call un.RunRestore
  ${If} $0 == 4
    Call un.CloseRunning
    Call un.RunRestore
  ${EndIf}
  ${If} $0 == 1
    Push "The processor is at its defaults (Velotune.exe /RestoreOverclocking: 1)."
  ${ElseIf} $0 == 2
    StrCpy $VtUnExit ${VT_UN_RESTORE_FAILED}
    Push "The restore failed: the processor may stay overclocked until the next restart (Velotune.exe /RestoreOverclocking: 2)."
  ${ElseIf} $0 == 3
    StrCpy $VtUnExit ${VT_UN_SDK_UNREACHABLE}
    Push "The tuning SDK could not be reached, nothing was changed: the processor may stay overclocked until the next restart (Velotune.exe /RestoreOverclocking: 3)."
  ${ElseIf} $0 == 4
    StrCpy $VtUnExit ${VT_UN_RESTORE_NOT_TRIED}
    Push "Another copy of Velotune was running, no restore was tried: the processor may stay overclocked until the next restart (Velotune.exe /RestoreOverclocking: 4)."
  ${Else}
    StrCpy $VtUnExit ${VT_UN_RESTORE_UNKNOWN}
    Push "Velotune.exe /RestoreOverclocking did not answer as expected ('$0'): the processor may stay overclocked until the next restart."
  ${EndIf}
  Call un.Log
  ${If} $VtUnExit <> ${VT_UN_DONE}
    MessageBox MB_OK|MB_ICONEXCLAMATION "$(VT_STAYS_OVERCLOCKED)" /SD IDOK
    SetErrorLevel $VtUnExit
  ${EndIf}
  Pop $0
FunctionEnd

; Removes the "Velotune" autostart value under `root` when it starts this
; copy; one naming another folder belongs to another copy and stays.
!macro VT_DELETE_OWN_RUN_VALUE root
  ReadRegStr $0 ${root} "${VT_RUN_KEY}" "Velotune"
  ${If} $0 != ""
    StrCpy $1 $0 1
    ${If} $1 == '"'
      StrCpy $0 $0 "" 1
    ${EndIf}
    StrLen $2 "$INSTDIR\"
    StrCpy $1 $0 $2
    ${If} $1 == "$INSTDIR\"
      DeleteRegValue ${root} "${VT_RUN_KEY}" "Velotune"
    ${Else}
      Push "Kept the autostart value ${root}\${VT_RUN_KEY}\Velotune: it starts another copy."
      Call un.Log
    ${EndIf}
  ${EndIf}
!macroend

Section "un.$(VT_SEC_PROGRAM)" SecUnProgram
  SectionIn RO
  SetShellVarContext all
  Call un.CloseRunning

  ; No processor stays overclocked once the program is gone. The restore run
  ; has no window and ends on its own.
  ; It starts from outside the folder: whatever it starts in turn inherits
  ; that working directory, and a folder in use cannot be removed.
  SetOutPath "$TEMP"
  StrCpy $VtUnExit ${VT_UN_DONE}
  ${If} ${FileExists} "$INSTDIR\Velotune.exe"
    DetailPrint "$(VT_RESTORING)"
    Call un.RestoreProcessor
  ${EndIf}

  !insertmacro VT_UNINSTALL_FILES
  !insertmacro VT_UNINSTALL_UPDATE_FOLDER
  ; The program's settings, written beside it.
  Delete "$INSTDIR\Velotune.ini"

  Delete "$SMPROGRAMS\${VT_PRODUCT}.lnk"

  ; The autostart entry the settings dialog may have made (and the
  ; machine-wide one the program also removes), when it starts this copy.
  ; The program looks for the machine-wide one in both registry views (the
  ; logon start runs both), so this does too.
  !insertmacro VT_DELETE_OWN_RUN_VALUE HKCU
  !insertmacro VT_DELETE_OWN_RUN_VALUE HKLM
  ; A 64-bit setup program runs only on 64-bit Windows: there the test is
  ; known at build time (and an ${If} on it would leave an unused label).
  !if "${VT_ARCH}" == "x64"
    SetRegView 32
    !insertmacro VT_DELETE_OWN_RUN_VALUE HKLM
    SetRegView 64
  !else
    ${If} ${RunningX64}
      SetRegView 64
      !insertmacro VT_DELETE_OWN_RUN_VALUE HKLM
      SetRegView 32
    ${EndIf}
  !endif
  DeleteRegValue HKCU "${VT_SETTINGS_KEY}" "Languages"
  DeleteRegKey /ifempty HKCU "${VT_SETTINGS_KEY}"
  DeleteRegKey /ifempty HKCU "Software\Dizaz"
  ; The update client's download folder. This runs as the elevating user,
  ; who need not be the one who ran the program, and the folder may hold
  ; downloads worth keeping: only empty folders go, and what is left is said.
  SetShellVarContext current
  RMDir "$APPDATA\Velotune\Soft"
  RMDir "$APPDATA\Velotune"
  ${If} ${FileExists} "$APPDATA\Velotune\*.*"
    DetailPrint "$(VT_KEPT_DOWNLOADS)"
    Push "Kept $APPDATA\Velotune: it holds files (downloads of the update client)."
    Call un.Log
  ${EndIf}
  Push "Other users' download folders (%APPDATA%\Velotune) are not touched."
  Call un.Log
  SetShellVarContext all

  DeleteRegKey HKLM "${VT_UNINSTALL_KEY}"
  Delete "$INSTDIR\${VT_UNINSTALLER}"
SectionEnd

Section /o "un.$(VT_SEC_LOGS)" SecUnLogs
  ; The program's own log files only: another product chosen as the same
  ; folder (/D=) may keep a "log" folder there. The log explains a failed
  ; restore, so it stays then.
  ${If} $VtUnExit <> ${VT_UN_DONE}
    DetailPrint "$(VT_KEPT_LOGS)"
    Push "Kept the log folder: the processor's defaults were not put back."
    Call un.Log
  ${Else}
    Delete "$INSTDIR\log\Velotune.log"
    Delete "$INSTDIR\log\Velotune.*.log"
    Delete "$INSTDIR\log\Install.log"
    RMDir "$INSTDIR\log"
  ${EndIf}
SectionEnd

Section "-un.Folder"
  ; Only when empty: the log folder or a maker's library keeps it. An empty
  ; folder may still be some short-lived process's working directory for a
  ; moment (the tuning service request the restore run makes, for one).
  StrCpy $1 0
  ${Do}
    ClearErrors
    RMDir "$INSTDIR"
    ${IfNot} ${Errors}
      ${Break}
    ${EndIf}
    ${DirState} "$INSTDIR" $0
    ${If} $0 <> 0
    ${OrIf} $1 >= 20
      ${Break}
    ${EndIf}
    IntOp $1 $1 + 1
    Sleep 250
  ${Loop}
SectionEnd

Function un.VtComponentsShow
  ShowWindow $mui.ComponentsPage.SpaceRequired ${SW_HIDE}
FunctionEnd

Function un.onInit
  !if "${VT_ARCH}" == "x64"
    SetRegView 64
  !endif
  !insertmacro VT_LANGUAGE_FROM_REGISTRY
  ${If} $0 != ""
    StrCpy $LANGUAGE $0
  ${EndIf}
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/REMOVELOGS" $2
  ${IfNot} ${Errors}
    SectionSetFlags ${SecUnLogs} ${SF_SELECTED}
  ${EndIf}
FunctionEnd
