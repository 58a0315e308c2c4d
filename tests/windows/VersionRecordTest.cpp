// The version record and icon that LUM_Brevix.rc gives the Windows program,
// read back by Windows itself from this test program, which carries the same
// resources.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <windows.h>

#include "platform/Version.h"

namespace {

// The value at `block` of this program's version record, as text: numbers
// (the fixed part, "\\") dotted, a translation as its two numbers.
std::wstring Query(const std::wstring& block) {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::vector<char> record(GetFileVersionInfoSizeW(path, nullptr));
  void* value = nullptr;
  UINT length = 0;
  if (record.empty() || !GetFileVersionInfoW(path, 0, static_cast<DWORD>(record.size()), record.data()) ||
      !VerQueryValueW(record.data(), block.c_str(), &value, &length) || length == 0) {
    return L"(missing)";
  }
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  const auto* words = static_cast<const WORD*>(value);
  auto dotted = [](DWORD high, DWORD low) {
    return std::to_wstring(HIWORD(high)) + L"." + std::to_wstring(LOWORD(high)) + L"." + std::to_wstring(HIWORD(low)) +
           L"." + std::to_wstring(LOWORD(low));
  };
  if (block == L"\\") {
    return fixed->dwSignature != 0xFEEF04BDu || fixed->dwFileType != VFT_APP
               ? L"(not an application's)"
               : dotted(fixed->dwFileVersionMS, fixed->dwFileVersionLS) + L" " +
                     dotted(fixed->dwProductVersionMS, fixed->dwProductVersionLS);
  }
  if (block == L"\\VarFileInfo\\Translation") return std::to_wstring(words[0]) + L" " + std::to_wstring(words[1]);
  return static_cast<const wchar_t*>(value);
}

// The numbers are the project's version, the texts show it with its leading
// zeros; the texts are US English (1033) in Unicode (1200). The names in the
// record are the resource script's own words and are not repeated here.
TEST(VersionRecord, NumbersAndTexts) {
  const std::string numbers = lum::version::kFull;
  const std::wstring dotted(numbers.begin(), numbers.end()), version = L"" LUM_VERSION_TEXT,
                                                             texts = L"\\StringFileInfo\\040904B0\\";
  const std::pair<std::wstring, std::wstring> expected[] = {{L"\\", dotted + L" " + dotted},
                                                            {L"\\VarFileInfo\\Translation", L"1033 1200"},
                                                            {texts + L"FileVersion", version},
                                                            {texts + L"ProductVersion", version}};
  for (const auto& [block, value] : expected) EXPECT_EQ(Query(block), value) << std::string(block.begin(), block.end());
}

// The icon group's directory: one 32x32 picture of 16 colours, which is there.
TEST(WindowIcon, IsOne32By32PictureOf16Colours) {
  const HRSRC group = FindResourceA(nullptr, "IDI_ICON1", RT_GROUP_ICON);
  ASSERT_NE(group, nullptr) << "error " << GetLastError();
  ASSERT_GE(SizeofResource(nullptr, group), 6u + 14u);
  const auto* directory = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, group)));
  // Reserved 0, type 1 (icon), 1 picture; the picture's width, height, colours, ..., and last its id.
  EXPECT_EQ(std::vector<BYTE>(directory + 2, directory + 9), (std::vector<BYTE>{1, 0, 1, 0, 32, 32, 16}));
  EXPECT_NE(FindResourceA(nullptr, MAKEINTRESOURCEA(directory[18] | directory[19] << 8), RT_ICON), nullptr);
}

}  // namespace
