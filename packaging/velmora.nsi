; The Velmora installer, built by packaging/CMakeLists.txt:
;   makensis -INPUTCHARSET UTF8 -DVERSION=1.0.0 -DTARGET=x86-unicode -DSTAGE=<program directory>
;            -DICON=<velmora.ico> -DOUTFILE=<setup.exe> velmora.nsi
; Per user, no elevation: the program writes gp.ini beside itself, so it lives in a folder the
; user can write (by default %LOCALAPPDATA%\Programs\Velmora), and its uninstall entry, shortcuts
; and files are the user's own.

!ifndef VERSION | TARGET | STAGE | ICON | OUTFILE
  !error "define VERSION, TARGET, STAGE, ICON and OUTFILE"
!endif

Target ${TARGET}
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true
ManifestSupportedOS all

!define PRODUCT "Velmora"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Velmora"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
; An installation already there is updated in place, settings and all.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Velmora ${VERSION}"
; Installed files get the time of installation, not the build's.
SetDateSave off
ShowInstDetails show
ShowUninstDetails show

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\velmora.exe"

!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The first language is the one used when the system's is neither: the program itself speaks
; Chinese only, so its users read it.
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "English"

LangString SecProgramName ${LANG_SIMPCHINESE} "Velmora 程序"
LangString SecProgramName ${LANG_ENGLISH} "Velmora program"
LangString SecDesktopName ${LANG_SIMPCHINESE} "桌面快捷方式"
LangString SecDesktopName ${LANG_ENGLISH} "Desktop shortcut"
LangString ProgramRunning ${LANG_SIMPCHINESE} "Velmora 正在运行，无法替换或删除它的文件。$\r$\n请先关闭 Velmora，然后点击“重试”。"
LangString ProgramRunning ${LANG_ENGLISH} "Velmora is running, so its files cannot be replaced or removed.$\r$\nClose Velmora, then click Retry."
LangString FilesNotWritten ${LANG_SIMPCHINESE} "无法写入安装文件夹中的文件，安装未完成。"
LangString FilesNotWritten ${LANG_ENGLISH} "Files in the installation folder could not be written; the installation is incomplete."
LangString KeepSettingsQuestion ${LANG_SIMPCHINESE} "是否同时删除设置文件 gp.ini？$\r$\n其中保存着您的账号、皮肤和提示音设置。选择“否”将保留它，重新安装到此文件夹后设置仍然有效。"
LangString KeepSettingsQuestion ${LANG_ENGLISH} "Also delete the settings file gp.ini?$\r$\nIt holds your saved account, skin and sound settings. Choose No to keep it: a later installation into this folder uses it again."

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileDescription" "Velmora 安装程序"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "LegalCopyright" "© Velmora"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "Velmora Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "© Velmora"

; Stops until the program file can be replaced or removed: a running Velmora holds it. Silent
; runs give up at once (exit code 2) instead of reporting success over files they could not touch.
!macro WaitForProgramClosed
  ${Do}
    ClearErrors
    ${IfNot} ${FileExists} "$INSTDIR\velmora.exe"
      ${Break}
    ${EndIf}
    FileOpen $0 "$INSTDIR\velmora.exe" a
    ${IfNot} ${Errors}
      FileClose $0
      ${Break}
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(ProgramRunning)" /SD IDCANCEL IDRETRY +2
    Abort "$(ProgramRunning)"
  ${Loop}
!macroend

Section "$(SecProgramName)" SecProgram
  SectionIn RO
  !insertmacro WaitForProgramClosed
  ClearErrors
  SetOutPath "$INSTDIR"
  File "${STAGE}/velmora.exe"
  SetOutPath "$INSTDIR\music"
  File "${STAGE}/music/music.wav"
  SetOutPath "$INSTDIR\ico"
  File "${STAGE}/ico/1.ico"
  File "${STAGE}/ico/2.ico"
  File "${STAGE}/ico/3.ico"
  File "${STAGE}/ico/4.ico"
  File "${STAGE}/ico/5.ico"
  File "${STAGE}/ico/6.ico"
  File "${STAGE}/ico/7.ico"
  ; A file that could not be written (and was passed over, as silent runs do) fails the
  ; installation instead of leaving a program that is half old, half missing.
  ${If} ${Errors}
    Abort "$(FilesNotWritten)"
  ${EndIf}
  ; Shortcuts start the program in its own folder.
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\velmora.exe"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\velmora.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Off by default: the Start menu is where programs belong; the user can tick it.
Section /o "$(SecDesktopName)" SecDesktop
  SetOutPath "$INSTDIR"
  CreateShortcut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\velmora.exe"
SectionEnd

; Removes exactly what the installer put there. gp.ini, written by the program, stays unless the
; user says to delete it; a silent uninstall keeps it, so settings are never lost unasked. The
; folders go only when nothing else is left in them (a picture or sound the user put there stays).
Section "Uninstall"
  !insertmacro WaitForProgramClosed
  Delete "$INSTDIR\velmora.exe"
  Delete "$INSTDIR\music\music.wav"
  RMDir "$INSTDIR\music"
  Delete "$INSTDIR\ico\1.ico"
  Delete "$INSTDIR\ico\2.ico"
  Delete "$INSTDIR\ico\3.ico"
  Delete "$INSTDIR\ico\4.ico"
  Delete "$INSTDIR\ico\5.ico"
  Delete "$INSTDIR\ico\6.ico"
  Delete "$INSTDIR\ico\7.ico"
  RMDir "$INSTDIR\ico"
  ${If} ${FileExists} "$INSTDIR\gp.ini"
    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "$(KeepSettingsQuestion)" /SD IDNO IDNO +2
    Delete "$INSTDIR\gp.ini"
  ${EndIf}
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$DESKTOP\${PRODUCT}.lnk"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
