; TavNote installer: a per-user installation without administrator rights.
;   makensis -INPUTCHARSET UTF8 -DSTAGE=<staged TavNote folder> -DOUTFILE=<setup.exe>
;            -DVERSION=1.2.2 -DFILELIST=<uninstall list> TavNote.nsi
; scripts/release.sh stages the folder, writes the list and runs this.
;
; TavNote keeps its data beside TavNote.exe (NoteData\, sysconfig.xml), so it is installed into the
; user's own programs folder, where it may write. The uninstaller removes exactly the files it
; installed; the data stays unless the user ticks "删除我的便签数据" (or passes /REMOVEDATA).

; TavNote.exe is an x64 program; a 64-bit installer also runs under a 64-bit-only Wine.
Target amd64-unicode
!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"

!macro REQUIRE name
  !ifndef ${name}
    !error "define ${name} (see the top of this file)"
  !endif
!macroend
!insertmacro REQUIRE STAGE
!insertmacro REQUIRE OUTFILE
!insertmacro REQUIRE VERSION
!insertmacro REQUIRE FILELIST
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\TavNote"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"

Name "TavNote ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\TavNote"
InstallDirRegKey HKCU "${UNINST_KEY}" "InstallLocation"
SetCompressor /SOLID lzma
ShowInstDetails nevershow
ShowUninstDetails nevershow
BrandingText "TavNote ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=2052 "ProductName" "TavNote"
VIAddVersionKey /LANG=2052 "FileDescription" "TavNote 安装程序"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "LegalCopyright" "Copyright (C) TavNote"

!define MUI_ICON "${STAGE}\sysres\TavNote.ico"
!define MUI_UNICON "${STAGE}\sysres\TavNote.ico"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\TavNote.exe"
!define MUI_FINISHPAGE_RUN_TEXT "启动 TavNote"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!define MUI_COMPONENTSPAGE_TEXT_TOP "便签数据（NoteData 文件夹和 sysconfig.xml）默认保留，重新安装后便签原样回来。只有勾选下面一项才会删除它们。"
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "SimpChinese"

; A running TavNote holds its files open; its single-instance mutex tells that it runs.
!macro WAIT_UNTIL_CLOSED un
Function ${un}WaitUntilClosed
  retry:
    System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "TavNote") p .r0'
    ${If} $0 P<> 0
      System::Call 'kernel32::CloseHandle(p r0)'
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
        "TavNote 正在运行。请右击托盘图标选择“退出”，然后点“重试”。" /SD IDCANCEL IDRETRY retry
      SetErrorLevel 2
      Quit
    ${EndIf}
FunctionEnd
!macroend
!insertmacro WAIT_UNTIL_CLOSED ""
!insertmacro WAIT_UNTIL_CLOSED "un."

Function .onInit
  Call WaitUntilClosed
FunctionEnd

Section "TavNote" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${STAGE}\TavNote.exe"
  File "${STAGE}\help.chm"
  SetOutPath "$INSTDIR\sysres"
  File "${STAGE}\sysres\*.*"
  SetOutPath "$INSTDIR\tavnote_reicon\default"
  File "${STAGE}\tavnote_reicon\default\*.*"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\TavNote"
  CreateShortcut "$SMPROGRAMS\TavNote\TavNote.lnk" "$INSTDIR\TavNote.exe" "" "$INSTDIR\TavNote.exe" 0
  CreateShortcut "$SMPROGRAMS\TavNote\TavNote 帮助.lnk" "$INSTDIR\help.chm"
  CreateShortcut "$SMPROGRAMS\TavNote\卸载 TavNote.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKCU "${UNINST_KEY}" "DisplayName" "TavNote"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINST_KEY}" "Publisher" "TavNote"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\TavNote.exe,0"
  WriteRegStr HKCU "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINST_KEY}" "EstimatedSize" $0
SectionEnd

Section "un.TavNote 程序" SecUnProgram
  SectionIn RO
  Delete "$INSTDIR\TavNote.exe"
  Delete "$INSTDIR\help.chm"
  !include "${FILELIST}"
  RMDir "$INSTDIR\sysres"
  RMDir "$INSTDIR\tavnote_reicon\default"
  RMDir "$INSTDIR\tavnote_reicon"
  Delete "$INSTDIR\uninstall.exe"

  Delete "$SMPROGRAMS\TavNote\TavNote.lnk"
  Delete "$SMPROGRAMS\TavNote\TavNote 帮助.lnk"
  Delete "$SMPROGRAMS\TavNote\卸载 TavNote.lnk"
  RMDir "$SMPROGRAMS\TavNote"
  DeleteRegKey HKCU "${UNINST_KEY}"
  ; Start with Windows points at the removed executable: take it away (the machine-wide value
  ; needs rights this uninstaller may not have; that failure is harmless).
  DeleteRegValue HKCU "${RUN_KEY}" "tavnote_autorun"
  DeleteRegValue HKLM "${RUN_KEY}" "tavnote_autorun"
SectionEnd

Section /o "un.删除我的便签数据（NoteData 和 sysconfig.xml）" SecData
  RMDir /r "$INSTDIR\NoteData"
  Delete "$INSTDIR\sysconfig.xml"
SectionEnd

Section "-un.Folder"
  ; Removed only when nothing is left in it, so kept data keeps its folder.
  RMDir "$INSTDIR"
SectionEnd

Function un.onInit
  Call un.WaitUntilClosed
  ; /REMOVEDATA removes the notes as well, for scripted (silent) uninstalls.
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVEDATA" $1
  ${IfNot} ${Errors}
    SectionSetFlags ${SecData} ${SF_SELECTED}
  ${EndIf}
FunctionEnd
