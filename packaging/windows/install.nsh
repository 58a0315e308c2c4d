  SetRegView 64
  WriteRegStr HKLM "Software\Classes\Applications\LUM_Brevix.exe" "FriendlyAppName" "LUM_Brevix"
  WriteRegStr HKLM "Software\Classes\Applications\LUM_Brevix.exe\SupportedTypes" ".xml" ""
  WriteRegStr HKLM "Software\Classes\Applications\LUM_Brevix.exe\shell\open\command" "" '"$INSTDIR\bin\LUM_Brevix.exe" "%1"'
  WriteRegStr HKLM "Software\Classes\.xml\OpenWithList\LUM_Brevix.exe" "" ""
  SetRegView lastused
  CreateShortCut "$SENDTO\LUM_Brevix.lnk" "$INSTDIR\bin\LUM_Brevix.exe"
