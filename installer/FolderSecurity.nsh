; The install folder's security. The program runs elevated, and so does the
; uninstaller's run of it: whoever can write the install folder can make
; them run anything. So:
; - outside Program Files, an existing folder is used only when it is owned
;   by administrators (the Administrators group, SYSTEM or TrustedInstaller):
;   anything else may already hold files planted by someone else;
; - the folder, wherever it is, gets Administrators as its owner and a
;   protected DACL (inherited by everything in it): Administrators and SYSTEM
;   full control, Users read and execute.
; - no link: neither the folder nor any folder above it may be a reparse
;   point (a junction made by a user to an administrators' folder passes
;   every other check, and is pointed elsewhere after the install);
; - no parent a user controls: every existing folder above it, up to the
;   drive, must be owned by administrators and let nobody else add to it,
;   delete from it or change its permissions, or else the folder can be
;   renamed away and another put in its place; the drive's root and the
;   Program Files folders, which the system itself protects, excepted;
; - an existing folder holds nothing, or only the log folder an uninstall
;   leaves behind, unless it is the registered copy's own: anything else
;   may be a file a user planted and still owns.
; Both the folder page and a silent /D= are checked, each refusal with its
; own message and exit code, before anything is made or changed.

!define VT_FOLDER_SDDL "O:BAD:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)"
; SE_FILE_OBJECT; OWNER_, DACL_ and PROTECTED_DACL_SECURITY_INFORMATION.
!define VT_SE_FILE_OBJECT 1
!define VT_OWNER_AND_PROTECTED_DACL 0x80000005
!define VT_OWNER_ONLY 1
; Exit codes of a setup program that refused its folder (nothing installed):
; not owned by administrators, or not securable; a link; a parent a user
; controls; not empty.
!define VT_EXIT_FOLDER_REFUSED 3
!define VT_EXIT_FOLDER_LINK 5
!define VT_EXIT_FOLDER_PARENT 6
!define VT_EXIT_FOLDER_NOT_EMPTY 7
; What a user must not be given on a folder above the install folder: add a
; file or a folder, delete a child, delete, change its permissions or
; owner, or any of those through the generic rights.
!define VT_PARENT_RIGHTS 0x500D0046
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

; $9 = 1 when the SID string $8 is an administrator's: the Administrators
; group, SYSTEM or TrustedInstaller.
Function VtAdminSid
  StrCpy $9 0
  ${If} $8 == "S-1-5-32-544"
  ${OrIf} $8 == "S-1-5-18"
  ${OrIf} $8 == "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"
    StrCpy $9 1
  ${EndIf}
FunctionEnd

; $8 = the SID at address $8 as a string, empty when it cannot be read.
Function VtSidText
  Push $6
  Push $7
  System::Call 'advapi32::ConvertSidToStringSidW(p r8, *p .r6) i .r7'
  StrCpy $8 ""
  ${If} $7 <> 0
    System::Call 'kernel32::lstrcpynW(w .r8, p r6, i 256) p'
    System::Call 'kernel32::LocalFree(p r6) p'
  ${EndIf}
  Pop $7
  Pop $6
FunctionEnd

; The parent of the folder $1 in $1: "" above the drive's root ("C:\").
Function VtParentOf
  Push $2
  StrLen $2 $1
  ${If} $2 <= 3
    StrCpy $1 ""
  ${Else}
    ${GetParent} $1 $1
    StrLen $2 $1
    ${If} $2 = 2
      StrCpy $1 "$1\"
    ${EndIf}
  ${EndIf}
  Pop $2
FunctionEnd

; $0 = 1 when $INSTDIR, or an existing folder above it, is a reparse point
; (a junction, a symbolic link, a mount point); $1 = that folder.
Function VtFolderLink
  Push $2
  StrCpy $0 0
  StrCpy $1 $INSTDIR
  ${DoWhile} $1 != ""
    System::Call 'kernel32::GetFileAttributesW(w r1) i .r2'
    ${If} $2 <> -1
      IntOp $2 $2 & 0x400
      ${If} $2 <> 0
        StrCpy $0 1
        ${Break}
      ${EndIf}
    ${EndIf}
    Call VtParentOf
  ${Loop}
  Pop $2
FunctionEnd

; $0 = 1 when the existing folder $1 is not safely an administrators':
; owned by anyone else, without a DACL, unreadable, or with an ACE that
; gives someone else one of VT_PARENT_RIGHTS; $2 = whose (a SID), or why.
Function VtParentUnsafe
  Push $3
  Push $4
  Push $5
  Push $6
  Push $7
  Push $8
  Push $9
  Push $R1
  Push $R2
  Push $R3
  StrCpy $0 0
  StrCpy $2 ""
  ; OWNER_ and DACL_SECURITY_INFORMATION.
  System::Call 'advapi32::GetNamedSecurityInfoW(w r1, i ${VT_SE_FILE_OBJECT}, i 5, *p .r3, p 0, *p .r4, p 0, *p .r5) i .r6'
  ${If} $6 <> 0
    StrCpy $0 1
    StrCpy $2 "its security cannot be read (error $6)"
  ${Else}
    StrCpy $8 $3
    Call VtSidText
    Call VtAdminSid
    ${If} $9 <> 1
      StrCpy $0 1
      StrCpy $2 "owned by '$8'"
    ${ElseIf} $4 = 0
      StrCpy $0 1
      StrCpy $2 "no DACL: open to everyone"
    ${Else}
      ; ACL: revision, padding, size, then the number of ACEs.
      System::Call '*$4(&i1, &i1, &i2, &i2 .r6)'
      StrCpy $7 0
      ${DoWhile} $7 < $6
        System::Call 'advapi32::GetAce(p r4, i r7, *p .r3) i .r9'
        ${If} $9 <> 0
          ; Header (type, flags, size), then the mask and the SID.
          System::Call '*$3(&i1 .R1, &i1 .R2, &i2, i .R3)'
          IntOp $R2 $R2 & 0x08
          IntOp $R3 $R3 & ${VT_PARENT_RIGHTS}
          ; An allowing ACE that applies to the folder itself.
          ${If} $R1 = 0
          ${AndIf} $R2 = 0
          ${AndIf} $R3 <> 0
            IntOp $8 $3 + 8
            Call VtSidText
            Call VtAdminSid
            ${If} $9 <> 1
              StrCpy $0 1
              StrCpy $2 "'$8' may change it"
              ${Break}
            ${EndIf}
          ${EndIf}
        ${EndIf}
        IntOp $7 $7 + 1
      ${Loop}
    ${EndIf}
    System::Call 'kernel32::LocalFree(p r5) p'
  ${EndIf}
  Pop $R3
  Pop $R2
  Pop $R1
  Pop $9
  Pop $8
  Pop $7
  Pop $6
  Pop $5
  Pop $4
  Pop $3
FunctionEnd

; $0 = 1 when an existing folder above $INSTDIR, up to the drive, is
; unsafe (VtParentUnsafe); $1 = that folder, $2 = why. The drive's root and
; the Program Files folders are the system's own, and protected by it.
Function VtFolderParents
  StrCpy $0 0
  StrCpy $1 $INSTDIR
  ${Do}
    Call VtParentOf
    StrLen $2 $1
    ${If} $2 <= 3
      ${Break}
    ${EndIf}
    ${If} $1 == $PROGRAMFILES32
    ${OrIf} $1 == $PROGRAMFILES64
      ${Continue}
    ${EndIf}
    ${If} ${FileExists} "$1\*.*"
      Call VtParentUnsafe
      ${If} $0 = 1
        ${Break}
      ${EndIf}
    ${EndIf}
  ${Loop}
FunctionEnd

; $0 = 1 when $INSTDIR exists, is not the registered copy's own folder and
; holds something else than the log folder; $1 = the first such entry.
Function VtFolderNotEmpty
  Push $2
  Push $3
  StrCpy $0 0
  StrCpy $1 ""
  ReadRegStr $2 HKLM "${VT_UNINSTALL_KEY}" "InstallLocation"
  ${If} $2 != $INSTDIR
    ClearErrors
    FindFirst $3 $2 "$INSTDIR\*.*"
    ${DoWhile} $2 != ""
      ${If} $2 != "."
      ${AndIf} $2 != ".."
        ${If} $2 != "log"
        ${OrIfNot} ${FileExists} "$INSTDIR\log\*.*"
          StrCpy $0 1
          StrCpy $1 $2
          ${Break}
        ${EndIf}
      ${EndIf}
      FindNext $3 $2
    ${Loop}
    FindClose $3
  ${EndIf}
  Pop $3
  Pop $2
FunctionEnd

; $0 = the exit code of the folder's first refusal (0: none), $1 its
; message, $2 the install log's line. Owner and spelling: VtCheckFolderOwner.
Function VtCheckFolder
  Push $3
  Call VtCheckFolderOwner
  StrCpy $3 $1
  ${If} $0 <> 1
    StrCpy $0 ${VT_EXIT_FOLDER_REFUSED}
    StrCpy $1 "$(VT_FOLDER_NOT_ADMIN)"
    StrCpy $2 "Refused $INSTDIR: it is owned by '$3', not by administrators."
    Goto done
  ${EndIf}
  Call VtFolderLink
  ${If} $0 = 1
    StrCpy $0 ${VT_EXIT_FOLDER_LINK}
    StrCpy $2 "Refused $INSTDIR: $1 is a link (a reparse point)."
    StrCpy $1 "$(VT_FOLDER_LINK)"
    Goto done
  ${EndIf}
  Call VtFolderParents
  ${If} $0 = 1
    StrCpy $0 ${VT_EXIT_FOLDER_PARENT}
    StrCpy $2 "Refused $INSTDIR: the folder above it, $1, is not safe: $2."
    StrCpy $1 "$(VT_FOLDER_PARENT)"
    Goto done
  ${EndIf}
  Call VtFolderNotEmpty
  ${If} $0 = 1
    StrCpy $0 ${VT_EXIT_FOLDER_NOT_EMPTY}
    StrCpy $2 "Refused $INSTDIR: it already holds '$1' and is not an installed Velotune's folder."
    StrCpy $1 "$(VT_FOLDER_NOT_EMPTY)"
    Goto done
  ${EndIf}
  StrCpy $0 0
  done:
  Pop $3
FunctionEnd

; The folder page: a refused folder keeps the user on the page.
Function VtFolderPageLeave
  Push $0
  Push $1
  Push $2
  Call VtCheckFolder
  ${If} $0 <> 0
    MessageBox MB_OK|MB_ICONSTOP "$1"
    Pop $2
    Pop $1
    Pop $0
    Abort
  ${EndIf}
  Pop $2
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
!macro VT_REFUSE_FOLDER text detail code
  DetailPrint "${detail}"
  MessageBox MB_OK|MB_ICONSTOP "${text}" /SD IDOK
  SetErrorLevel ${code}
  Quit
!macroend

Section "-VtSecureFolder"
  Call VtCheckFolder
  ${If} $0 <> 0
    !insertmacro VT_REFUSE_FOLDER "$1" "$2" $0
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
    !insertmacro VT_REFUSE_FOLDER "$(VT_FOLDER_NOT_SECURED)" "Refused $INSTDIR: its permissions could not be set (error $5)." ${VT_EXIT_FOLDER_REFUSED}
  ${EndIf}
  Push "Install folder secured: $7"
  Call VtFolderLog
SectionEnd

; The uninstaller's part: the program's download folder is the program's own.
!macro VT_UNINSTALL_UPDATE_FOLDER
  RMDir /r "$INSTDIR\${VT_UPDATE_FOLDER}"
!macroend
