; Helpers shared by the setup program and the uninstaller. Functions that the
; uninstaller calls must carry the "un." prefix, so each is defined by a
; macro, once per side.

!include LogicLib.nsh

; The main window's tray-menu command (UM_MENU_CLICK) and its exit item: the
; program leaves the way a user's exit does, restoring the processor's
; defaults first when the setting "stopover" asks for it.
!define VT_UM_MENU_CLICK 35769
!define VT_MENU_ITEM_EXIT 3
!define VT_WINDOW_CLASS "Velotune"
!define VT_INSTANCE_GUARD "Velotune.lock"
; Safety nets: a restoring exit takes a second or two.
!define VT_EXIT_WAIT_MS 60000       ; for the process, once
!define VT_GUARD_WAIT_ROUNDS 120    ; x 250 ms for the guard afterwards

; IsStandIn(path) -> 1 when the file's version resource carries our
; "VelotuneStandIn" mark (one of our stand-ins), else 0.
!macro VT_DEFINE_IS_STANDIN un
Function ${un}IsStandIn
  Exch $0
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  StrCpy $5 0
  System::Call 'version::GetFileVersionInfoSizeW(w r0, *i 0) i .r1'
  ${If} $1 > 0
    System::Alloc $1
    Pop $2
    ${If} $2 <> 0
      System::Call 'version::GetFileVersionInfoW(w r0, i 0, i r1, p r2) i .r3'
      ${If} $3 <> 0
        StrCpy $4 "\StringFileInfo\040904b0\VelotuneStandIn"
        System::Call 'version::VerQueryValueW(p r2, w r4, *p .r3, *i .r1) i .r4'
        ${If} $4 <> 0
        ${AndIf} $1 > 0
          System::Call '*$3(&w2 .r4)'
          ${If} $4 == "1"
            StrCpy $5 1
          ${EndIf}
        ${EndIf}
      ${EndIf}
      System::Free $2
    ${EndIf}
  ${EndIf}
  StrCpy $0 $5
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd
!macroend

; CloseRunning: asks a running Velotune to exit through its tray menu's exit
; command, waits for the process to end (once, at most VT_EXIT_WAIT_MS) and
; then for the single-instance guard to be released (at most
; VT_GUARD_WAIT_ROUNDS x 250 ms; a start in progress or a windowless restore
; run holds it too). A window that shows up meanwhile is asked as well, but
; is given no wait of its own, so one round never exceeds the two nets.
; When it does not end, the user may retry; otherwise, and always in a
; silent run, the whole setup stops before anything has been changed.
; The running copy is the process named in the machine's guard file
; (ProgramData\Velotune\Velotune.lock): only administrators can open that
; folder and the holder shares the file for reading alone, so nobody else
; wrote the id. A window of the class in any other process is anyone's: it
; is neither asked nor waited for, and the log says so.
!macro VT_DEFINE_CLOSE_RUNNING un
Function ${un}CloseRunning
  Push $0
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  Push $6
  Push $7
  Push $8
  vt_close_retry:
  StrCpy $3 0   ; rounds of waiting for the guard
  StrCpy $4 0   ; the window asked last
  StrCpy $5 0   ; 1 once a process has had its wait
  vt_close_again:
  ; $6: the holder's process id (four bytes), 0 when none can be read.
  StrCpy $6 0
  ; CSIDL_COMMON_APPDATA, whatever the shell variables' context.
  System::Call 'shell32::SHGetFolderPathW(p 0, i 0x23, p 0, i 0, w .r7) i .r8'
  ${If} $8 = 0
    ; GENERIC_READ; read, write and delete shared (the holder writes and
    ; deletes it on close); OPEN_EXISTING; FILE_FLAG_OPEN_REPARSE_POINT.
    System::Call 'kernel32::CreateFileW(w "$7\Velotune\${VT_INSTANCE_GUARD}", i 0x80000000, i 7, p 0, i 3, i 0x00200000, p 0) p .r7'
    ${If} $7 <> -1
      System::Call 'kernel32::ReadFile(p r7, *i .r6, i 4, *i .r8, p 0) i'
      ${If} $8 <> 4
        StrCpy $6 0
      ${EndIf}
      System::Call 'kernel32::CloseHandle(p r7)'
    ${EndIf}
  ${EndIf}
  StrCpy $0 0
  ${Do}
    FindWindow $0 "${VT_WINDOW_CLASS}" "" "" $0
    ${If} $0 = 0
      ${Break}
    ${EndIf}
    System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1) i'
    ${If} $6 = 0
    ${OrIf} $1 <> $6
      ${If} $3 = 0
        Push "Left alone a window of class ${VT_WINDOW_CLASS} in process $1: it is not the running copy's (process $6)."
        !if "${un}" == ""
          Call VtFolderLog
        !else
          Call un.Log
        !endif
      ${EndIf}
      ${Continue}
    ${EndIf}
    ${If} $0 != $4
      StrCpy $4 $0
      DetailPrint "$(VT_CLOSING)"
      ; SYNCHRONIZE: enough to wait for the end.
      System::Call 'kernel32::OpenProcess(i 0x00100000, i 0, i r1) p .r2'
      System::Call 'user32::PostMessageW(p r0, i ${VT_UM_MENU_CLICK}, p ${VT_MENU_ITEM_EXIT}, p 0) i'
      ${If} $2 <> 0
        ${If} $5 = 0
          StrCpy $5 1
          System::Call 'kernel32::WaitForSingleObject(p r2, i ${VT_EXIT_WAIT_MS}) i .r1'
        ${EndIf}
        System::Call 'kernel32::CloseHandle(p r2)'
      ${EndIf}
    ${EndIf}
  ${Loop}
  ; The program's guard file is there while a copy runs (a start in
  ; progress or a windowless restore run too) and cannot be deleted then;
  ; one left by a power cut can. Only an administrator can make a file in
  ; the install folder, so nobody else can hold the setup program up.
  Delete "$INSTDIR\${VT_INSTANCE_GUARD}"
  ${If} ${FileExists} "$INSTDIR\${VT_INSTANCE_GUARD}"
    IntOp $3 $3 + 1
    ${If} $3 < ${VT_GUARD_WAIT_ROUNDS}
      Sleep 250
      Goto vt_close_again
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(VT_STILL_RUNNING)" /SD IDCANCEL IDRETRY vt_close_retry
    DetailPrint "$(VT_GAVE_UP)"
    Pop $8
    Pop $7
    Pop $6
    Pop $5
    Pop $4
    Pop $3
    Pop $2
    Pop $1
    Pop $0
    Abort
  ${EndIf}
  Pop $8
  Pop $7
  Pop $6
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!macroend

; A stand-in goes where no file of its name is, or over one of our own; a
; file of another maker is kept. "<name>.ini" beside it goes with it. Ours
; always comes with its library, so a "<name>.ini" without the library is
; another maker's: it is kept, and the stand-in is not installed either (it
; would read that file as its own).
!macro VT_STANDIN_INSTALL file companion
  StrCpy $R8 "$INSTDIR\${file}"
  StrCpy $R9 1
  ${If} ${FileExists} $R8
    Push $R8
    Call IsStandIn
    Pop $R9
  !if "${companion}" != ""
  ${ElseIf} ${FileExists} "$INSTDIR\${companion}"
    StrCpy $R8 "$INSTDIR\${companion}"
    StrCpy $R9 0
  !endif
  ${EndIf}
  ${If} $R9 == 1
    File "${VT_DIST}/${file}"
    !if "${companion}" != ""
      File "${VT_DIST}/${companion}"
    !endif
  ${Else}
    DetailPrint "$(VT_KEPT_FOREIGN)"
  ${EndIf}
!macroend

; Only our own stand-in is removed, with its "<name>.ini" and what it writes
; beside itself while it runs (call records, the simulated processor's
; state).
!macro VT_STANDIN_UNINSTALL file companion stem
  StrCpy $R8 "$INSTDIR\${file}"
  ${If} ${FileExists} $R8
    Push $R8
    Call un.IsStandIn
    Pop $R9
    ${If} $R9 == 1
      Delete $R8
      !if "${companion}" != ""
        Delete "$INSTDIR\${companion}"
      !endif
      Delete "$INSTDIR\${stem}.calls.log"
      Delete "$INSTDIR\${stem}.calls.log.old"
      Delete "$INSTDIR\${stem}.state"
      Delete "$INSTDIR\${stem}.state.tmp"
    ${EndIf}
  ${EndIf}
!macroend
