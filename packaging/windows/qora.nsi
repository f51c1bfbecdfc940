; The Windows installer: the game for all users or for the current one, its
; Start-menu entries (the game and the group editor) and an uninstaller that
; removes the program and leaves the players' results alone (they live in
; %APPDATA%\Qora or the folder QORA_HOME names, never beside the program).
;   makensis -DSTAGE=<folder of the portable files> -DVERSION=1.0.0 -DOUTFILE=<exe> -DICON=<qora.ico> qora.nsi
; A 64-bit installer for the 64-bit game (and so Wine's 64-bit loader runs it).
Target amd64-unicode
SetCompressor /SOLID lzma

!ifndef STAGE | VERSION | OUTFILE | ICON
  !error "STAGE, VERSION, OUTFILE and ICON must be defined"
!endif
!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"

!define APPNAME "Химический тир"
!define UNINSTKEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Qora"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR "Qora"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "Software\Qora"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallMode"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "Software\Qora"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallDir"
!include MultiUser.nsh
!include MUI2.nsh

Name "${APPNAME}"
OutFile "${OUTFILE}"
BrandingText "Qora ${VERSION}"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\qora.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "ProductName" "${APPNAME}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "FileDescription" "Установка игры «${APPNAME}»"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "LegalCopyright" "Команда Qora"

Function .onInit
  !insertmacro MULTIUSER_INIT
FunctionEnd

Function un.onInit
  !insertmacro MULTIUSER_UNINIT
FunctionEnd

Section "Игра"
  SetOutPath "$INSTDIR"
  File "${STAGE}\qora.exe"
  File "${STAGE}\qora-records.exe"
  File "${STAGE}\001"
  File "${STAGE}\002"
  File /nonfatal "${STAGE}\qora.chm"
  File "${STAGE}\LICENSE.txt"
  File "${STAGE}\COPYRIGHT.txt"
  File "${STAGE}\README.txt"
  SetOutPath "$INSTDIR\help"
  File /r "${STAGE}\help\*"
  SetOutPath "$INSTDIR\fonts"
  File /r "${STAGE}\fonts\*"
  SetOutPath "$INSTDIR\licenses"
  File /r "${STAGE}\licenses\*"

  ; The shortcuts start in the program's folder; the game then keeps its
  ; results in the user's folder (or QORA_HOME).
  SetOutPath "$INSTDIR"
  CreateDirectory "$SMPROGRAMS\${APPNAME}"
  CreateShortCut "$SMPROGRAMS\${APPNAME}\${APPNAME}.lnk" "$INSTDIR\qora.exe"
  CreateShortCut "$SMPROGRAMS\${APPNAME}\Наборы элементов.lnk" "$INSTDIR\qora.exe" "g"
  CreateShortCut "$SMPROGRAMS\${APPNAME}\Справка.lnk" "$INSTDIR\qora.chm"
  CreateShortCut "$SMPROGRAMS\${APPNAME}\Удалить игру.lnk" "$INSTDIR\uninstall.exe"

  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr SHCTX "Software\Qora" "InstallMode" $MultiUser.InstallMode
  WriteRegStr SHCTX "Software\Qora" "InstallDir" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTKEY}" "DisplayName" "${APPNAME}"
  WriteRegStr SHCTX "${UNINSTKEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTKEY}" "Publisher" "Команда Qora"
  WriteRegStr SHCTX "${UNINSTKEY}" "DisplayIcon" "$INSTDIR\qora.exe"
  WriteRegStr SHCTX "${UNINSTKEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTKEY}" "UninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINSTKEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode /S'
  WriteRegDWORD SHCTX "${UNINSTKEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTKEY}" "NoRepair" 1
SectionEnd

; Only what the installer put there goes: a results file someone keeps in
; the program's folder stays, and so does the folder then.
Section "Uninstall"
  Delete "$INSTDIR\qora.exe"
  Delete "$INSTDIR\qora-records.exe"
  Delete "$INSTDIR\001"
  Delete "$INSTDIR\002"
  Delete "$INSTDIR\qora.chm"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\COPYRIGHT.txt"
  Delete "$INSTDIR\README.txt"
  RMDir /r "$INSTDIR\help"
  RMDir /r "$INSTDIR\fonts"
  RMDir /r "$INSTDIR\licenses"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\${APPNAME}\${APPNAME}.lnk"
  Delete "$SMPROGRAMS\${APPNAME}\Наборы элементов.lnk"
  Delete "$SMPROGRAMS\${APPNAME}\Справка.lnk"
  Delete "$SMPROGRAMS\${APPNAME}\Удалить игру.lnk"
  RMDir "$SMPROGRAMS\${APPNAME}"

  DeleteRegKey SHCTX "${UNINSTKEY}"
  DeleteRegKey SHCTX "Software\Qora"
SectionEnd
