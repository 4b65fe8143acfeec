; The Windows installer of Tintwell, built by scripts/windows_package.sh with makensis:
;   makensis -DVERSION=1.0.0 -DEXE=path\to\tintwell.exe -DPAGES=path\to\pages -DOUTFILE=... [-DWIN64] tintwell.nsi
; It installs for the current user only (no administrator rights) into the user's programs
; folder, the pages beside the program, where the program keeps them. An upgrade replaces the
; program but never a page the child has coloured. The uninstaller keeps the pages unless asked
; (the question, or /REMOVEPAGES when silent).

Unicode true
!ifdef WIN64
Target amd64-unicode
!endif
!include "MUI2.nsh"
!include "FileFunc.nsh"

!define APPNAME "Tintwell"
!define UNINSTKEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tintwell"

Name "${APPNAME}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\Tintwell"
InstallDirRegKey HKCU "${UNINSTKEY}" "InstallLocation"
SetCompressor /SOLID lzma
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${APPNAME}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "Tintwell installer"
VIAddVersionKey "LegalCopyright" "The Tintwell developers"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\tintwell.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Tintwell now"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  SetShellVarContext current
FunctionEnd

Function un.onInit
  SetShellVarContext current
FunctionEnd

Section "Tintwell"
  SetOutPath "$INSTDIR"
  SetOverwrite on
  File "/oname=tintwell.exe" "${EXE}"
  File "/oname=README.txt" "${README}"
  ; The pages (and the tune) only where they are missing: the child's colouring stays.
  SetOverwrite off
  File "${PAGES}\*.TWP"
  File "${PAGES}\*.twp"
  File "${PAGES}\tintmus.mid"
  SetOverwrite on
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The shortcut starts the program in its own folder (the output path), where the pages are.
  SetOutPath "$INSTDIR"
  CreateShortCut "$SMPROGRAMS\Tintwell.lnk" "$INSTDIR\tintwell.exe" "" "$INSTDIR\tintwell.exe" 0 \
    SW_SHOWNORMAL "" "Colour in pictures with a click"

  WriteRegStr HKCU "${UNINSTKEY}" "DisplayName" "${APPNAME}"
  WriteRegStr HKCU "${UNINSTKEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTKEY}" "Publisher" "The Tintwell developers"
  WriteRegStr HKCU "${UNINSTKEY}" "DisplayIcon" "$INSTDIR\tintwell.exe"
  WriteRegStr HKCU "${UNINSTKEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTKEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTKEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTKEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTKEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTKEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  Delete "$SMPROGRAMS\Tintwell.lnk"
  Delete "$INSTDIR\tintwell.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\tintmus.mid"
  Delete "$INSTDIR\uninstall.exe"
  DeleteRegKey HKCU "${UNINSTKEY}"

  ; The child's coloured pages (and the printing choice) stay unless asked for.
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/REMOVEPAGES" $R1
  IfErrors 0 remove_pages
  IfSilent keep_pages
  MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
    "Also delete the pictures coloured with Tintwell?$\r$\n$\r$\nChoose No to keep them in $INSTDIR." \
    IDYES remove_pages
  Goto keep_pages
remove_pages:
  Delete "$INSTDIR\*.TWP"
  Delete "$INSTDIR\*.twp"
  Delete "$INSTDIR\printer.dta"
keep_pages:
  ; Only when nothing is left in it.
  RMDir "$INSTDIR"
SectionEnd
