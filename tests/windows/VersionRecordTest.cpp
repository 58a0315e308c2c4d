// The version record and icon that LUM_Brevix.rc gives the Windows program,
// read back by Windows itself from this test program, which carries the same
// resources.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <windows.h>

#include "platform/Version.h"

namespace {

// The value at `block` of this program's version record; null where there is none.
template <typename T>
const T* Query(const std::wstring& block) {
  static const std::vector<char> record = [] {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::vector<char> bytes(GetFileVersionInfoSizeW(path, nullptr));
    return GetFileVersionInfoW(path, 0, static_cast<DWORD>(bytes.size()), bytes.data()) ? bytes : std::vector<char>();
  }();
  void* value = nullptr;
  UINT length = 0;
  const bool found = !record.empty() && VerQueryValueW(record.data(), block.c_str(), &value, &length) && length > 0;
  return found ? static_cast<const T*>(value) : nullptr;
}

TEST(VersionRecord, NumbersAreTheProjectVersion) {
  const auto* fixed = Query<VS_FIXEDFILEINFO>(L"\\");
  ASSERT_NE(fixed, nullptr);
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  const DWORD ms = fixed->dwFileVersionMS, ls = fixed->dwFileVersionLS;
  EXPECT_EQ(std::to_string(HIWORD(ms)) + "." + std::to_string(LOWORD(ms)) + "." + std::to_string(HIWORD(ls)) + "." +
                std::to_string(LOWORD(ls)),
            lum::version::kFull);
  EXPECT_EQ(fixed->dwProductVersionMS, ms);
  EXPECT_EQ(fixed->dwProductVersionLS, ls);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
}

TEST(VersionRecord, TextsAreUsEnglishInUnicode) {
  const WORD* translation = Query<WORD>(L"\\VarFileInfo\\Translation");
  ASSERT_NE(translation, nullptr);
  EXPECT_EQ(translation[0], 0x0409);  // US English
  EXPECT_EQ(translation[1], 1200);    // UTF-16
  const std::pair<const wchar_t*, const wchar_t*> texts[] = {
      {L"FileVersion", L"" LUM_VERSION_TEXT}, {L"ProductVersion", L"" LUM_VERSION_TEXT},
      {L"ProductName", L"LUM_Brevix"}, {L"OriginalFilename", L"LUM_Brevix.exe"}, {L"InternalName", L"LUM_Brevix"}};
  for (const auto& [name, expected] : texts) {
    const wchar_t* value = Query<wchar_t>(std::wstring(L"\\StringFileInfo\\040904B0\\") + name);
    EXPECT_EQ(std::wstring(value ? value : L"(missing)"), expected) << name;
  }
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
