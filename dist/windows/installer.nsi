; The Windows installer, made by dist/windows/windows.sh with NSIS:
;   makensis -DVERSION=1.0.0 -DPROGRAM=<program folder> -DFILES=<uninstall list> -DOUTFILE=<exe>
; It installs for the current user alone into %LOCALAPPDATA%\Programs\CF20914, where the user may
; write: the program keeps PROJECTS, MASTER and its settings beside itself. The uninstaller
; removes the files it installed and keeps what the program and the user wrote there, unless the
; box for them is ticked. /S installs and uninstalls silently; a silent uninstall keeps them.
; 64-bit: Windows x64 runs it as the program, and Wine without its 32-bit part too.
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include "MUI2.nsh"

!define APP "CF20914"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"

Name "Configurator ${APP}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${APP}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"

!define MUI_ICON "${PROGRAM}\${APP}.ico"
!define MUI_UNICON "${PROGRAM}\${APP}.ico"
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "${APP}"
    SetOutPath "$INSTDIR"
    File /r "${PROGRAM}\*.*"
    CreateDirectory "$INSTDIR\PROJECTS"
    CreateDirectory "$INSTDIR\MASTER"
    WriteUninstaller "$INSTDIR\Uninstall.exe"
    CreateShortcut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\${APP}.exe" "" "$INSTDIR\${APP}.ico" 0
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Configurator ${APP}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${APP}.ico"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The installed files, one by one, and the folders they leave empty; PROJECTS, MASTER, the
; settings and whatever else the program or the user wrote stay.
Section "-un.${APP}"
    !include "${FILES}"
    Delete "$INSTDIR\Uninstall.exe"
    Delete "$SMPROGRAMS\${APP}.lnk"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
    ; Only when nothing is left in it.
    RMDir "$INSTDIR"
SectionEnd

Section /o "un.Also remove the configurations (PROJECTS), the firmware (MASTER) and the settings"
    RMDir /r "$INSTDIR"
SectionEnd
