; An upgrade removes what the previous setup program installed and this one
; no longer ships. The previous program's own record says what that was
; (VT_FILE_LIST in the install folder, written by VT_WRITE_FILE_LIST): only
; its entries are touched, only inside the install folder, a stand-in only
; when it carries our mark, a folder only when it is empty. A folder shared
; with another product keeps everything of that product's.
; Needs LogicLib, FileFunc and the generated file lists (InFileList).

!define VT_FILE_LIST "Velotune.files"

LangString VT_REMOVED_DROPPED ${LANG_ENGLISH} "Removed $R3: no longer part of Velotune."
LangString VT_REMOVED_DROPPED ${LANG_SIMPCHINESE} "已删除 $R3：Velotune 已不再包含该文件。"

; $R3 -> $R9 1 when it is a plain relative path below the install folder:
; no drive, no leading "\", no "..", no "/", no wildcard.
Function IsPlainRelativePath
  Push $R4
  Push $R5
  StrCpy $R9 0
  StrCmp $R3 "" vt_path_done
  StrCpy $R4 $R3 1
  StrCmp $R4 "\" vt_path_done
  StrCpy $R5 0
  vt_path_next:
    StrCpy $R4 $R3 1 $R5
    StrCmp $R4 "" vt_path_plain
    StrCmp $R4 ":" vt_path_done
    StrCmp $R4 "/" vt_path_done
    StrCmp $R4 "*" vt_path_done
    StrCmp $R4 "?" vt_path_done
    StrCpy $R4 $R3 2 $R5
    StrCmp $R4 ".." vt_path_done
    IntOp $R5 $R5 + 1
    Goto vt_path_next
  vt_path_plain:
  StrCpy $R9 1
  vt_path_done:
  Pop $R5
  Pop $R4
FunctionEnd

Function RemoveDroppedFiles
  Push $R0
  Push $R1
  Push $R2
  Push $R3
  Push $R6
  Push $R9
  ; Only a record this product's registration points at: the folder of an
  ; installed copy of ours.
  ReadRegStr $R2 HKLM "${VT_UNINSTALL_KEY}" "InstallLocation"
  ClearErrors
  ${If} $R2 == $INSTDIR
    FileOpen $R6 "$INSTDIR\${VT_FILE_LIST}" r
  ${Else}
    SetErrors
  ${EndIf}
  ${IfNot} ${Errors}
    ${Do}
      ClearErrors
      FileRead $R6 $R0
      ${If} ${Errors}
        ${Break}
      ${EndIf}
      ; The line without its end.
      ${Do}
        StrCpy $R2 $R0 1 -1
        ${If} $R2 == "$\r"
        ${OrIf} $R2 == "$\n"
          StrCpy $R0 $R0 -1
        ${Else}
          ${Break}
        ${EndIf}
      ${Loop}
      Call InFileList
      ${If} $R1 == 0
        StrCpy $R2 $R0 2
        StrCpy $R3 $R0 "" 2
        Call IsPlainRelativePath
        ${If} $R9 == 1
          ${If} $R2 == "F$\t"
          ${AndIf} ${FileExists} "$INSTDIR\$R3"
            Delete "$INSTDIR\$R3"
            DetailPrint "$(VT_REMOVED_DROPPED)"
          ${ElseIf} $R2 == "S$\t"
          ${AndIf} ${FileExists} "$INSTDIR\$R3"
            Push "$INSTDIR\$R3"
            Call IsStandIn
            Pop $R9
            ${If} $R9 == 1
              Delete "$INSTDIR\$R3"
              ; What goes with a stand-in (see VT_STANDIN_UNINSTALL).
              ${GetBaseName} $R3 $R2
              Delete "$INSTDIR\$R2.ini"
              Delete "$INSTDIR\$R2.calls.log"
              Delete "$INSTDIR\$R2.calls.log.old"
              Delete "$INSTDIR\$R2.state"
              Delete "$INSTDIR\$R2.state.tmp"
              DetailPrint "$(VT_REMOVED_DROPPED)"
            ${EndIf}
          ${ElseIf} $R2 == "D$\t"
            RMDir "$INSTDIR\$R3"
          ${EndIf}
        ${EndIf}
      ${EndIf}
    ${Loop}
    FileClose $R6
  ${EndIf}
  Pop $R9
  Pop $R6
  Pop $R3
  Pop $R2
  Pop $R1
  Pop $R0
FunctionEnd
