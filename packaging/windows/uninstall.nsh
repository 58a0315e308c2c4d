  SetRegView 64
  DeleteRegKey HKLM "Software\Classes\Applications\LUM_Brevix.exe"
  DeleteRegKey HKLM "Software\Classes\.xml\OpenWithList\LUM_Brevix.exe"
  DeleteRegKey /ifempty HKLM "Software\Classes\.xml\OpenWithList"
  DeleteRegKey /ifempty HKLM "Software\Classes\.xml"
  SetRegView lastused
  Delete "$SENDTO\LUM_Brevix.lnk"
