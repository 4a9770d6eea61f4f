; Quilpad's installer and uninstaller. Built by the build (see installer/CMakeLists.txt):
;   makensis -DBIN_DIR=<folder with the program's files> -DSOURCE_DIR=<repository>
;            -DOUT_FILE=<setup program> installer/quilpad.nsi
; Switches of the setup program: /S silent, /D=<folder> install folder (last, unquoted).
; Switches of Uninstall.exe: /S silent, /REMOVESETTINGS also removes the user's settings.
; -DX64 packs the 64-bit build into a 64-bit setup, for the tests on hosts that run only
; 64-bit programs; the setup that ships is the 32-bit one.

Unicode true
!ifdef X64
  Target amd64-unicode
  !define PROGRAM_FILES "$PROGRAMFILES64"
!else
  !define PROGRAM_FILES "$PROGRAMFILES"
!endif
!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include Sections.nsh
!include WinMessages.nsh
!include Win\WinNT.nsh

!ifndef BIN_DIR | SOURCE_DIR | OUT_FILE
  !error "define BIN_DIR, SOURCE_DIR and OUT_FILE"
!endif

; The version and publisher are set once, in res/version.h.
!searchparse /file "${SOURCE_DIR}/res/version.h" "#define QP_VERSION_MAJOR " V_MAJOR
!searchparse /file "${SOURCE_DIR}/res/version.h" "#define QP_VERSION_MINOR " V_MINOR
!searchparse /file "${SOURCE_DIR}/res/version.h" "#define QP_VERSION_PATCH " V_PATCH
!searchparse /file "${SOURCE_DIR}/res/version.h" "#define QP_VERSION_BUILD " V_BUILD
!searchparse /file "${SOURCE_DIR}/res/version.h" '#define QP_PUBLISHER "' PUBLISHER '"'
!define VERSION "${V_MAJOR}.${V_MINOR}.${V_PATCH}.${V_BUILD}"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quilpad"
; The device and its buttons belong to the machine: the program starts at every user's logon.
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "Quilpad"
!define SHORTCUT "$SMPROGRAMS\Quilpad.lnk"

; The tray menu's Exit command: the program saves its settings and ends.
!define EXIT_COMMAND 32774
; The program waits up to five seconds for each of its two workers before it ends.
!define EXIT_WAIT_MS 20000

Name "Quilpad"
OutFile "${OUT_FILE}"
InstallDir "${PROGRAM_FILES}\Quilpad"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
BrandingText "Quilpad ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}"
VIAddVersionKey ProductName "Quilpad"
VIAddVersionKey CompanyName "${PUBLISHER}"
VIAddVersionKey FileDescription "Quilpad Setup"
VIAddVersionKey FileVersion "${VERSION}"
VIAddVersionKey ProductVersion "${VERSION}"
VIAddVersionKey LegalCopyright "${PUBLISHER}"

Var WasRunning
Var DeviceFound

!define MUI_ICON "${SOURCE_DIR}/res/icons/app.ico"
!define MUI_UNICON "${SOURCE_DIR}/res/icons/app.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Start Quilpad now"
!define MUI_FINISHPAGE_RUN_FUNCTION StartQuilpad
!define MUI_PAGE_CUSTOMFUNCTION_SHOW FinishPageShow
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!define MUI_COMPONENTSPAGE_TEXT_TOP "Quilpad is removed from this computer. Your own settings stay unless you tick them here."
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; ---- shared by the installer and the uninstaller ----------------------------------------

; EndQuilpad ends every running Quilpad through its Exit command, so that it saves its
; settings, and waits for each process to end. $0 is 1 when one ran, else 0. When one does
; not end in time the user may retry; otherwise (and always when silent) the run is aborted.
; The button bar is the dialog that carries the controls 1000 (first slot), 1003 (status
; strip) and 1040 (delete all).
!macro END_QUILPAD_FUNCTION un
Function ${un}EndQuilpad
  StrCpy $0 0
  StrCpy $1 0
  next_window:
    FindWindow $1 "#32770" "" "" $1
    ${If} $1 = 0
      Return
    ${EndIf}
    GetDlgItem $2 $1 1000
    GetDlgItem $3 $1 1003
    GetDlgItem $4 $1 1040
    ${If} $2 = 0
    ${OrIf} $3 = 0
    ${OrIf} $4 = 0
      Goto next_window
    ${EndIf}
    DetailPrint "Ending the running Quilpad (its settings are saved)"
    System::Call 'user32::GetWindowThreadProcessId(p r1, *i .r5)'
    System::Call 'kernel32::OpenProcess(i ${SYNCHRONIZE}, i 0, i r5) p .r6'
    System::Call 'user32::PostMessageW(p r1, i ${WM_COMMAND}, p ${EXIT_COMMAND}, p 0)'
    System::Call 'kernel32::WaitForSingleObject(p r6, i ${EXIT_WAIT_MS}) i .r7'
    System::Call 'kernel32::CloseHandle(p r6)'
    ${If} $7 <> 0
      MessageBox MB_ICONSTOP|MB_RETRYCANCEL "Quilpad did not end. End it with Exit in its tray menu, then choose Retry." /SD IDCANCEL IDRETRY look_again
      DetailPrint "Quilpad did not end; nothing was changed"
      Abort "Quilpad did not end"
    ${EndIf}
    StrCpy $0 1
  look_again:
    ; From the first window again: the list has changed.
    StrCpy $1 0
    Goto next_window
FunctionEnd
!macroend
!insertmacro END_QUILPAD_FUNCTION ""
!insertmacro END_QUILPAD_FUNCTION "un."

; ---- installer --------------------------------------------------------------------------

; $DeviceFound: 1 when the notebook's button device (\\.\TZK0001) answers an open.
Function FindDevice
  System::Call 'kernel32::CreateFileW(w "\\.\TZK0001", i 0xC0000000, i 0, p 0, i 3, i 0, p 0) p .r0'
  ${If} $0 = -1
    StrCpy $DeviceFound 0
  ${Else}
    System::Call 'kernel32::CloseHandle(p r0)'
    StrCpy $DeviceFound 1
  ${EndIf}
FunctionEnd

Function .onInit
  SetShellVarContext all
  ; The 32-bit program's view, where both builds keep their settings.
  SetRegView 32
  Call FindDevice
  ${If} $DeviceFound = 0
    MessageBox MB_OK|MB_ICONEXCLAMATION "The notebook's button device (TZK0001) was not found.$\n$\nQuilpad is installed all the same, but it starts only where the device's driver is installed." /SD IDOK
  ${EndIf}
FunctionEnd

; The program reads Language.ini from its current folder: start it from its own.
Function StartQuilpad
  SetOutPath "$INSTDIR"
  Exec '"$INSTDIR\Quilpad.exe"'
FunctionEnd

; The finish page offers the start only when it would work and has not happened yet.
Function FinishPageShow
  ${If} $WasRunning = 1
  ${OrIf} $DeviceFound = 0
    ${NSD_Uncheck} $mui.FinishPage.Run
    ShowWindow $mui.FinishPage.Run ${SW_HIDE}
  ${EndIf}
FunctionEnd

Section "Quilpad"
  Call EndQuilpad
  StrCpy $WasRunning $0

  SetOutPath "$INSTDIR"
  File "${BIN_DIR}/Quilpad.exe"
  File "${BIN_DIR}/VRXMail.DLL"
  File "${SOURCE_DIR}/res/Language.ini"
  ; Started at logon the program's current folder is not its own; it then finds its
  ; texts in the system folder.
  SetOutPath "$SYSDIR"
  File "${SOURCE_DIR}/res/Language.ini"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  CreateShortCut "${SHORTCUT}" "$INSTDIR\Quilpad.exe" "" "$INSTDIR\Quilpad.exe" 0
  WriteRegStr HKLM "${RUN_KEY}" "${RUN_VALUE}" '"$INSTDIR\Quilpad.exe"'

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Quilpad"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Quilpad.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0

  ${If} $DeviceFound = 0
    DetailPrint "The button device TZK0001 was not found: Quilpad starts once its driver is installed"
  ${ElseIf} $WasRunning = 1
    DetailPrint "Starting Quilpad again"
    Call StartQuilpad
  ${EndIf}
SectionEnd

; ---- uninstaller ------------------------------------------------------------------------

Section "-un.End Quilpad"
  Call un.EndQuilpad
SectionEnd

; Before the program's own files go, so that the folder is the last thing removed.
Section /o "un.Remove my settings (launch slots, mail account, window)" SecRemoveSettings
  DeleteRegKey HKCU "Software\VRX\0.01"
  DeleteRegKey /ifempty HKCU "Software\VRX"
  DeleteRegKey HKCU "Software\QPD\0.01"
  DeleteRegKey /ifempty HKCU "Software\QPD"
  DeleteRegKey HKLM "Software\TZK\VRX\0.01"
  DeleteRegKey /ifempty HKLM "Software\TZK\VRX"
  DeleteRegKey /ifempty HKLM "Software\TZK"
SectionEnd

Section "un.Quilpad" SecProgram
  SectionIn RO
  Delete "${SHORTCUT}"
  DeleteRegValue HKLM "${RUN_KEY}" "${RUN_VALUE}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  Delete "$SYSDIR\Language.ini"
  Delete "$INSTDIR\Quilpad.exe"
  Delete "$INSTDIR\VRXMail.DLL"
  Delete "$INSTDIR\Language.ini"
  Delete "$INSTDIR\Uninstall.exe"
  ; Only when empty: what the user put there stays.
  RMDir "$INSTDIR"
SectionEnd

Function un.onInit
  SetShellVarContext all
  SetRegView 32
  ${un.GetParameters} $0
  ClearErrors
  ${un.GetOptions} $0 "/REMOVESETTINGS" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecRemoveSettings}
  ${EndIf}
FunctionEnd
