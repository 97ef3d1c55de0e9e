; The install folder's security. The program runs elevated, and so does the
; uninstaller's run of it: whoever can write the install folder can make
; them run anything. So:
; - outside Program Files, an existing folder is used only when it is owned
;   by administrators (the Administrators group, SYSTEM or TrustedInstaller):
;   anything else may already hold files planted by someone else;
; - the folder, wherever it is, gets Administrators as its owner and a
;   protected DACL (inherited by everything in it): Administrators and SYSTEM
;   full control, Users read and execute.
; Both the folder page and a silent /D= are checked.

!define VT_FOLDER_SDDL "O:BAD:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)"
; SE_FILE_OBJECT; OWNER_, DACL_ and PROTECTED_DACL_SECURITY_INFORMATION.
!define VT_SE_FILE_OBJECT 1
!define VT_OWNER_AND_PROTECTED_DACL 0x80000005
!define VT_OWNER_ONLY 1
; Exit code of a setup program that refused its folder (nothing installed).
!define VT_EXIT_FOLDER_REFUSED 3
; What the program downloads its updates into, inside the install folder.
!define VT_UPDATE_FOLDER "VelotuneUpdate"

; $0 = 1 when $INSTDIR lies inside one of the Program Files folders.
!macro VT_IF_UNDER folder
  StrLen $2 "${folder}\"
  StrCpy $1 "$INSTDIR\" $2
  ${If} $1 == "${folder}\"
    StrCpy $0 1
  ${EndIf}
!macroend
Function VtInProgramFiles
  Push $1
  Push $2
  StrCpy $0 0
  !insertmacro VT_IF_UNDER "$PROGRAMFILES32"
  !insertmacro VT_IF_UNDER "$PROGRAMFILES64"
  Pop $2
  Pop $1
FunctionEnd

; $0 = 1 when $INSTDIR may be used: inside Program Files, not there yet, or
; owned by administrators. $1 = the owner's SID when it was read.
Function VtCheckFolderOwner
  Push $2
  Push $3
  Push $4
  StrCpy $1 ""
  ; One spelling of the folder ("..", "." and slashes resolved) for the
  ; checks and for the install.
  System::Call 'kernel32::GetFullPathNameW(w "$INSTDIR", i ${NSIS_MAX_STRLEN}, w .r2, p 0) i .r3'
  ${If} $3 > 0
  ${AndIf} $3 < ${NSIS_MAX_STRLEN}
    StrCpy $INSTDIR $2
  ${EndIf}
  Call VtInProgramFiles
  ${If} $0 = 0
  ${AndIf} ${FileExists} "$INSTDIR\*.*"
    StrCpy $0 0
    System::Call 'advapi32::GetNamedSecurityInfoW(w "$INSTDIR", i ${VT_SE_FILE_OBJECT}, i ${VT_OWNER_ONLY}, *p .r2, p 0, p 0, p 0, *p .r3) i .r4'
    ${If} $4 = 0
      System::Call 'advapi32::ConvertSidToStringSidW(p r2, *p .r4) i .r2'
      ${If} $2 <> 0
        System::Call 'kernel32::lstrcpynW(w .r1, p r4, i 256) p'
        System::Call 'kernel32::LocalFree(p r4) p'
      ${EndIf}
      System::Call 'kernel32::LocalFree(p r3) p'
    ${EndIf}
    ${If} $1 == "S-1-5-32-544"
    ${OrIf} $1 == "S-1-5-18"
    ${OrIf} $1 == "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"
      StrCpy $0 1
    ${EndIf}
  ${Else}
    StrCpy $0 1
  ${EndIf}
  Pop $4
  Pop $3
  Pop $2
FunctionEnd

; The folder page: a refused folder keeps the user on the page.
Function VtFolderPageLeave
  Push $0
  Push $1
  Call VtCheckFolderOwner
  ${If} $0 <> 1
    MessageBox MB_OK|MB_ICONSTOP "$(VT_FOLDER_NOT_ADMIN)"
    Pop $1
    Pop $0
    Abort
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd

; Appends the text on the stack to log\Install.log in the install folder.
Function VtFolderLog
  Exch $0
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  Push $6
  Push $7
  ${GetTime} "" "L" $1 $2 $3 $4 $5 $6 $7
  CreateDirectory "$INSTDIR\log"
  ClearErrors
  FileOpen $4 "$INSTDIR\log\Install.log" a
  ${IfNot} ${Errors}
    FileSeek $4 0 END
    FileWrite $4 "$3-$2-$1 $5:$6:$7 $0$\r$\n"
    FileClose $4
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

; Stops the setup program with its own exit code, having changed nothing.
!macro VT_REFUSE_FOLDER text detail
  DetailPrint "${detail}"
  MessageBox MB_OK|MB_ICONSTOP "${text}" /SD IDOK
  SetErrorLevel ${VT_EXIT_FOLDER_REFUSED}
  Quit
!macroend

Section "-VtSecureFolder"
  Call VtCheckFolderOwner
  ${If} $0 <> 1
    !insertmacro VT_REFUSE_FOLDER "$(VT_FOLDER_NOT_ADMIN)" "Refused $INSTDIR: it is owned by '$1', not by administrators."
  ${EndIf}
  CreateDirectory "$INSTDIR"
  StrCpy $5 1
  System::Call 'advapi32::ConvertStringSecurityDescriptorToSecurityDescriptorW(w "${VT_FOLDER_SDDL}", i 1, *p .r1, p 0) i .r2'
  ${If} $2 <> 0
    System::Call 'advapi32::GetSecurityDescriptorOwner(p r1, *p .r3, *i .r4) i .r2'
    System::Call 'advapi32::GetSecurityDescriptorDacl(p r1, *i .r4, *p .r6, *i .r4) i .r2'
    System::Call 'advapi32::SetNamedSecurityInfoW(w "$INSTDIR", i ${VT_SE_FILE_OBJECT}, i ${VT_OWNER_AND_PROTECTED_DACL}, p r3, p 0, p r6, p 0) i .r5'
    ; What was applied, as the system reads the descriptor back to text.
    System::Call 'advapi32::ConvertSecurityDescriptorToStringSecurityDescriptorW(p r1, i 1, i 5, *p .r3, p 0) i .r2'
    StrCpy $7 ""
    ${If} $2 <> 0
      System::Call 'kernel32::lstrcpynW(w .r7, p r3, i 1024) p'
      System::Call 'kernel32::LocalFree(p r3) p'
    ${EndIf}
    System::Call 'kernel32::LocalFree(p r1) p'
  ${EndIf}
  ${If} $5 <> 0
    !insertmacro VT_REFUSE_FOLDER "$(VT_FOLDER_NOT_SECURED)" "Refused $INSTDIR: its permissions could not be set (error $5)."
  ${EndIf}
  Push "Install folder secured: $7"
  Call VtFolderLog
SectionEnd

; The uninstaller's part: the program's download folder is the program's own.
!macro VT_UNINSTALL_UPDATE_FOLDER
  RMDir /r "$INSTDIR\${VT_UPDATE_FOLDER}"
!macroend
