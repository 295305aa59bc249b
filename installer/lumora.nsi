; The installer of Lumora.scr, one script for both editions. The build runs it
; (cmake/release.cmake):
;   makensis -INPUTCHARSET UTF8 -DVERSION=1.0.0 -DARCH=x64|x86 -DSCR=Lumora.scr
;            -DLICENSE_FILE=LICENSE -DICON=lumora.ico -DOUTFILE=setup.exe
;            [-DSIGN=command] lumora.nsi
; SIGN, when given, is run on the installer and on the uninstaller it carries,
; with the file's path as its one argument, and signs it in place.
;
; Switches of the installer: /S silent; /NOSELECT leaves the user's screen
; saver as it is. Of the uninstaller: /S silent; /REMOVESETTINGS deletes the
; user's settings too.

!macro Require NAME
  !ifndef ${NAME}
    !error "makensis needs -D${NAME}=..."
  !endif
!macroend
!insertmacro Require VERSION
!insertmacro Require ARCH
!insertmacro Require SCR
!insertmacro Require LICENSE_FILE
!insertmacro Require ICON
!insertmacro Require OUTFILE

!if "${ARCH}" == "x64"
  Target amd64-unicode
!else if "${ARCH}" == "x86"
  Target x86-unicode
!else
  !error "ARCH is x64 or x86, not ${ARCH}"
!endif

!include MUI2.nsh
!include LogicLib.nsh
!include Sections.nsh
!include FileFunc.nsh
!include WinMessages.nsh
!include x64.nsh

!define PRODUCT "ルモラ"
!define PUBLISHER "Lumora Project"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Lumora"
!define DESKTOP_KEY "Control Panel\Desktop"
; Where the installer keeps, for the user who ran it, the screen saver that
; Lumora replaced, so that uninstalling can give it back.
!define OWN_KEY "Software\Lumora\Installer"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
; The screen saver goes into the system folder, which only administrators may
; write.
RequestExecutionLevel admin
ManifestDPIAware true
SetCompressor /SOLID lzma
; No file times in the installer: two builds of one commit are the same bytes.
SetDateSave off
ShowInstDetails show
ShowUninstDetails show
BrandingText "${PRODUCT} ${VERSION}"

!ifdef SIGN
  !finalize '"${SIGN}" "%1"' = 0
  !uninstfinalize '"${SIGN}" "%1"' = 0
!endif

; The system folder that receives Lumora.scr, as the rest of the system names
; it: what is registered is exactly where the file went.
Var SystemFolder
; 1 when the new Lumora.scr takes its place only at the next start of Windows.
Var NeedsRestart

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${LICENSE_FILE}"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

; English first: NSIS falls back to the first language when the system's
; user-interface language is none of these.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"

LangString SectionProgram ${LANG_ENGLISH} "Lumora screen saver"
LangString SectionProgram ${LANG_JAPANESE} "ルモラ スクリーン セーバー"
LangString SectionSelect ${LANG_ENGLISH} "Make Lumora my screen saver"
LangString SectionSelect ${LANG_JAPANESE} "ルモラをスクリーン セーバーにする"
LangString SectionSettings ${LANG_ENGLISH} "Also delete my settings"
LangString SectionSettings ${LANG_JAPANESE} "設定も削除する"
LangString Closing ${LANG_ENGLISH} "Closing the running Lumora..."
LangString Closing ${LANG_JAPANESE} "動作中のルモラを終了しています..."
LangString InUse ${LANG_ENGLISH} "Lumora.scr is in use: it will be replaced when Windows restarts."
LangString InUse ${LANG_JAPANESE} "Lumora.scr は使用中です。Windows の再起動時に置き換えます。"
LangString Replacing ${LANG_ENGLISH} "Replacing version"
LangString Replacing ${LANG_JAPANESE} "置き換えるバージョン:"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_JAPANESE} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_JAPANESE} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_JAPANESE} "LegalCopyright" "Copyright (c) ${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_JAPANESE} "FileDescription" "${PRODUCT} セットアップ (${ARCH})"
VIAddVersionKey /LANG=${LANG_JAPANESE} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_JAPANESE} "ProductVersion" "${VERSION}"

; Both the installer and the uninstaller need these, under their own names.
!macro Shared UN
  ; The 64-bit edition goes where 64-bit Windows keeps its own programs. The
  ; 32-bit one goes into SysWOW64 on 64-bit Windows and into System32 on
  ; 32-bit Windows; $SYSDIR would name System32 to a 32-bit installer on
  ; either, and the screen-saver path registered with it would be wrong.
  Function ${UN}FindFolders
    !if "${ARCH}" == "x64"
      SetRegView 64
      StrCpy $SystemFolder "$SYSDIR"
    !else
      ${If} ${IsWow64}
        StrCpy $SystemFolder "$WINDIR\SysWOW64"
      ${Else}
        StrCpy $SystemFolder "$SYSDIR"
      ${EndIf}
    !endif
  FunctionEnd

  ; The screen saver and its settings dialog hold Lumora.scr open: ask each
  ; to close, and give them five seconds.
  Function ${UN}CloseRunning
    Push $0
    Push $1
    StrCpy $1 0
    ${Do}
      FindWindow $0 "" "Lumora_Main"
      ${If} $0 = 0
        FindWindow $0 "" "ルモラの設定"
      ${EndIf}
      ${If} $0 = 0
      ${OrIf} $1 >= 50
        ${ExitDo}
      ${EndIf}
      ${If} $1 = 0
        DetailPrint "$(Closing)"
      ${EndIf}
      ; Once a second: the dialog zooms shut and is still there meanwhile.
      IntOp $0 $1 % 10
      ${If} $0 = 0
        FindWindow $0 "" "Lumora_Main"
        ${IfThen} $0 <> 0 ${|} SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=1000 ${|}
        FindWindow $0 "" "ルモラの設定"
        ${IfThen} $0 <> 0 ${|} SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=1000 ${|}
      ${EndIf}
      Sleep 100
      IntOp $1 $1 + 1
    ${Loop}
    ; A closed window's process may still be letting go of its file.
    Sleep 500
    Pop $1
    Pop $0
  FunctionEnd

  ; The installed Lumora.scr in the short form the display settings write,
  ; in $0 (the long form where the volume keeps no short names).
  Function ${UN}ScreenSaverPath
    ClearErrors
    GetFullPathName /SHORT $0 "$SystemFolder\Lumora.scr"
    ${If} ${Errors}
    ${OrIf} $0 == ""
      StrCpy $0 "$SystemFolder\Lumora.scr"
    ${EndIf}
  FunctionEnd

  ; Whether the path in $1 is the installed Lumora.scr, in either form: $0 is
  ; 1 or 0. The comparison ignores case, as Windows does.
  Function ${UN}IsLumora
    Push $2
    StrCpy $2 $0
    StrCpy $0 0
    ${If} $1 == "$SystemFolder\Lumora.scr"
    ${OrIf} $1 == $2
      StrCpy $0 1
    ${EndIf}
    Pop $2
  FunctionEnd
!macroend
!insertmacro Shared ""
!insertmacro Shared "un."

Function .onInstSuccess
  ; What an administrator's script can tell from the exit code, as with an
  ; MSI: installed, but the old version runs until Windows restarts.
  ${If} $NeedsRestart = 1
    SetErrorLevel 3010
  ${EndIf}
FunctionEnd

Function .onInstFailed
  !if "${ARCH}" == "x86"
    ${DisableX64FSRedirection}
  !endif
  Delete "$SystemFolder\Lumora.scr.new"
  !if "${ARCH}" == "x86"
    ${EnableX64FSRedirection}
  !endif
FunctionEnd

Section "!$(SectionProgram)" SectionProgram
  SectionIn RO
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "DisplayVersion"
  ${If} $0 != ""
    DetailPrint "$(Replacing) $0"
  ${EndIf}
  Call CloseRunning

  ; The new file is written beside the old one first and only then put in its
  ; place, so that a failed copy leaves the old version whole.
  !if "${ARCH}" == "x86"
    ; Every path here is the real one; redirection back on for the plug-ins.
    ${DisableX64FSRedirection}
  !endif
  SetOutPath "$SystemFolder"
  File "/oname=Lumora.scr.new" "${SCR}"
  ClearErrors
  Delete "$SystemFolder\Lumora.scr"
  ${If} ${Errors}
    ; A running program's file cannot be replaced, but it can be renamed.
    Delete "$SystemFolder\Lumora.scr.old"
    ClearErrors
    Rename "$SystemFolder\Lumora.scr" "$SystemFolder\Lumora.scr.old"
    ${IfNot} ${Errors}
      ; The new version is in place: the old file's deletion at the next
      ; start is tidying, no reason to ask for a restart.
      Delete /REBOOTOK "$SystemFolder\Lumora.scr.old"
      SetRebootFlag false
    ${EndIf}
  ${EndIf}
  ClearErrors
  Rename "$SystemFolder\Lumora.scr.new" "$SystemFolder\Lumora.scr"
  ${If} ${Errors}
    ; Neither deleted nor renamed: the old version stays in place, whole,
    ; until Windows swaps the files at its next start.
    DetailPrint "$(InUse)"
    Rename /REBOOTOK "$SystemFolder\Lumora.scr.new" "$SystemFolder\Lumora.scr"
    StrCpy $NeedsRestart 1
  ${EndIf}
  !if "${ARCH}" == "x86"
    ${EnableX64FSRedirection}
  !endif

  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  SectionGetSize ${SectionProgram} $0
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$SystemFolder\Lumora.scr,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "$(SectionSelect)" SectionSelect
  Call ScreenSaverPath
  ReadRegStr $1 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  Call IsLumora
  ${If} $0 = 0
    ; What uninstalling gives back; an empty value stands for none.
    WriteRegStr HKCU "${OWN_KEY}" "PreviousScreenSaver" "$1"
    ReadRegStr $1 HKCU "${DESKTOP_KEY}" "ScreenSaveActive"
    WriteRegStr HKCU "${OWN_KEY}" "PreviousScreenSaveActive" "$1"
  ${EndIf}
  ; As the display settings do, so that the running session takes it up:
  ; SPI_SETSCREENSAVEACTIVE, SPIF_UPDATEINIFILE | SPIF_SENDCHANGE.
  System::Call "user32::SystemParametersInfoW(i 17, i 1, p 0, i 3)"
  Call ScreenSaverPath
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$0"
  WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
SectionEnd

Section "un.$(SectionProgram)" UnSectionProgram
  SectionIn RO
  Call un.CloseRunning

  ; The selection is given back only when it is still Lumora: the user may
  ; have chosen another screen saver since.
  Call un.ScreenSaverPath
  ReadRegStr $1 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  Call un.IsLumora
  ${If} $0 = 1
    ClearErrors
    ReadRegStr $2 HKCU "${OWN_KEY}" "PreviousScreenSaver"
    ${If} ${Errors}
      ; Chosen in the display settings, not by the installer: no screen saver.
      DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${Else}
      ReadRegStr $3 HKCU "${OWN_KEY}" "PreviousScreenSaveActive"
      ; SPI_SETSCREENSAVEACTIVE for the running session only; the values
      ; below are the ones the user had.
      ${If} $3 == "1"
        System::Call "user32::SystemParametersInfoW(i 17, i 1, p 0, i 0)"
      ${Else}
        System::Call "user32::SystemParametersInfoW(i 17, i 0, p 0, i 0)"
      ${EndIf}
      ${If} $2 != ""
      ${AndIf} ${FileExists} "$2"
        WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$2"
      ${Else}
        DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
      ${EndIf}
      ${If} $3 == ""
        DeleteRegValue HKCU "${DESKTOP_KEY}" "ScreenSaveActive"
      ${Else}
        WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "$3"
      ${EndIf}
    ${EndIf}
  ${EndIf}
  DeleteRegKey HKCU "${OWN_KEY}"
  DeleteRegKey /ifempty HKCU "Software\Lumora"

  !if "${ARCH}" == "x86"
    ${DisableX64FSRedirection}
  !endif
  Delete /REBOOTOK "$SystemFolder\Lumora.scr"
  Delete /REBOOTOK "$SystemFolder\Lumora.scr.old"
  Delete "$SystemFolder\Lumora.scr.new"
  !if "${ARCH}" == "x86"
    ${EnableX64FSRedirection}
  !endif

  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

; The user's own settings: the music choice is theirs to keep for a later
; installation unless they ask.
Section /o "un.$(SectionSettings)" UnSectionSettings
  SetShellVarContext current
  Delete "$APPDATA\Lumora\ルモラ.ini"
  RMDir "$APPDATA\Lumora"
  ; Where a system that let the program write beside itself put them.
  !if "${ARCH}" == "x86"
    ${DisableX64FSRedirection}
  !endif
  Delete "$SystemFolder\ルモラ.ini"
  !if "${ARCH}" == "x86"
    ${EnableX64FSRedirection}
  !endif
SectionEnd

Function un.onInit
  Call un.FindFolders
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/REMOVESETTINGS" $R1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${UnSectionSettings}
  ${EndIf}
FunctionEnd

Function un.onUninstSuccess
  ${If} ${RebootFlag}
    SetErrorLevel 3010
  ${EndIf}
FunctionEnd

; After the sections, whose numbers it needs.
Function .onInit
  Call FindFolders
  ; The uninstaller and nothing else: Program Files (x86) for the 32-bit
  ; edition on 64-bit Windows, so the two editions do not share it.
  !if "${ARCH}" == "x64"
    StrCpy $INSTDIR "$PROGRAMFILES64\Lumora"
  !else
    StrCpy $INSTDIR "$PROGRAMFILES\Lumora"
  !endif
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/NOSELECT" $R1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SectionSelect}
  ${EndIf}
FunctionEnd
