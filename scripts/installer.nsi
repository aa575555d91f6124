; The Oxbrill installer: for the current user (the default, no administrator
; needed) or for all users. Start-menu entry, an entry in Programs and
; Features, and an uninstaller that removes what was installed and leaves the
; user's settings (in %APPDATA%\Oxbrill) unless asked to remove them too.
;
; makensis -DVERSION=1.00 -DSTAGE=<folder with the files> -DOUTFILE=<installer.exe> installer.nsi
; Silent:   installer.exe /S [/CurrentUser | /AllUsers] [/D=<folder>]
;           uninstall.exe /S [/CurrentUser | /AllUsers] [/REMOVESETTINGS]

; The program is 64-bit, and so is its installer.
Target amd64-unicode
SetCompressor /SOLID lzma

!define PRODUCT "Oxbrill"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_INSTDIR "${PRODUCT}"
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_DEFAULT_CURRENTUSER
!include MultiUser.nsh
!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh

Name "${PRODUCT}"
OutFile "${OUTFILE}"

!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Var RemoveSettings

Function .onInit
    !insertmacro MULTIUSER_INIT
FunctionEnd

Function un.onInit
    !insertmacro MULTIUSER_UNINIT
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/REMOVESETTINGS" $1
    ${IfNot} ${Errors}
        StrCpy $RemoveSettings 1
    ${ElseIfNot} ${Silent}
        MessageBox MB_YESNO|MB_DEFBUTTON2 "Also remove your ${PRODUCT} settings and logs?" IDNO +2
        StrCpy $RemoveSettings 1
    ${EndIf}
FunctionEnd

Section "Oxbrill"
    SetOutPath "$INSTDIR"
    File "${STAGE}/Oxbrill.exe"
    File "${STAGE}/README.md"
    File "${STAGE}/oxbrill.lang.sample.ini"
    File /r "${STAGE}/licences"
    ; The program keeps what it writes in the user's profile when it finds this.
    FileOpen $0 "$INSTDIR\Oxbrill.installed" w
    FileClose $0
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\Oxbrill.exe"

    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Oxbrill.exe"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode'
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S /$MultiUser.InstallMode'
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    Delete "$INSTDIR\Oxbrill.exe"
    Delete "$INSTDIR\README.md"
    Delete "$INSTDIR\oxbrill.lang.sample.ini"
    RMDir /r "$INSTDIR\licences"
    Delete "$INSTDIR\Oxbrill.installed"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    DeleteRegKey SHCTX "${UNINSTALL_KEY}"
    ${If} $RemoveSettings == 1
        SetShellVarContext current
        RMDir /r "$APPDATA\${PRODUCT}"
    ${EndIf}
SectionEnd
