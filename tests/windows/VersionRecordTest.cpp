// The version record and icon that LUM_Brevix.rc gives the Windows program,
// read back by Windows itself from this test program, which carries the same
// resources.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Version.h"

namespace {

std::wstring OwnPath() {
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) return std::wstring(path.data(), length);
    path.resize(path.size() * 2);
  }
}

class VersionRecordTest : public testing::Test {
 protected:
  void SetUp() override {
    const std::wstring path = OwnPath();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_GT(size, 0u) << "no version record, error " << GetLastError();
    record_.resize(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, record_.data()));
  }

  // The value at `block` of the record, or nothing.
  std::pair<void*, UINT> Query(const wchar_t* block) {
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(record_.data(), block, &value, &length)) return {nullptr, 0};
    return {value, length};
  }

  std::string Text(const std::wstring& name) {
    const auto [value, length] = Query((L"\\StringFileInfo\\040904B0\\" + name).c_str());
    if (value == nullptr || length == 0) return "(missing)";
    const auto* wide = static_cast<const wchar_t*>(value);
    const std::wstring text(wide, wcsnlen(wide, length));
    return std::string(text.begin(), text.end());  // the record's texts are ASCII
  }

  std::vector<char> record_;
};

TEST_F(VersionRecordTest, NumbersAreTheProjectVersion) {
  const auto [value, length] = Query(L"\\");
  ASSERT_NE(value, nullptr);
  ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), lum::version::kMajor);
  EXPECT_EQ(LOWORD(fixed->dwFileVersionMS), lum::version::kMinor);
  EXPECT_EQ(LOWORD(fixed->dwFileVersionLS), lum::version::kRevision);
  const std::string dotted = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                             std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                             std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." +
                             std::to_string(LOWORD(fixed->dwFileVersionLS));
  EXPECT_EQ(dotted, lum::version::kFull);
  EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
  EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
}

TEST_F(VersionRecordTest, TextsAreInTheUsEnglishUnicodeBlock) {
  EXPECT_EQ(Text(L"FileVersion"), LUM_VERSION_TEXT);
  EXPECT_EQ(Text(L"ProductVersion"), LUM_VERSION_TEXT);
  EXPECT_EQ(Text(L"ProductName"), "LUM_Brevix");
  EXPECT_EQ(Text(L"OriginalFilename"), "LUM_Brevix.exe");
  EXPECT_EQ(Text(L"InternalName"), "LUM_Brevix");
}

TEST_F(VersionRecordTest, TranslationIsUsEnglishInUnicode) {
  const auto [value, length] = Query(L"\\VarFileInfo\\Translation");
  ASSERT_NE(value, nullptr);
  ASSERT_EQ(length, 2 * sizeof(WORD));
  const auto* pair = static_cast<const WORD*>(value);
  EXPECT_EQ(pair[0], 0x0409);  // US English
  EXPECT_EQ(pair[1], 1200);    // UTF-16
}

// The icon group's directory: one 32x32 picture of 16 colours.
TEST(WindowIcon, IsOne32By32PictureOf16Colours) {
  const HRSRC found = FindResourceA(nullptr, "IDI_ICON1", RT_GROUP_ICON);
  ASSERT_NE(found, nullptr) << "error " << GetLastError();
  const HGLOBAL loaded = LoadResource(nullptr, found);
  ASSERT_NE(loaded, nullptr);
  const auto* group = static_cast<const BYTE*>(LockResource(loaded));
  ASSERT_GE(SizeofResource(nullptr, found), 6u + 14u);
  // Reserved 0, type 1 (icon), count; then 14 bytes per picture.
  EXPECT_EQ(group[2] | group[3] << 8, 1);
  EXPECT_EQ(group[4] | group[5] << 8, 1);
  const BYTE* entry = group + 6;
  EXPECT_EQ(entry[0], 32);  // width
  EXPECT_EQ(entry[1], 32);  // height
  EXPECT_EQ(entry[2], 16);  // colours
  const WORD pictureId = static_cast<WORD>(entry[12] | entry[13] << 8);
  EXPECT_NE(FindResourceA(nullptr, MAKEINTRESOURCEA(pictureId), RT_ICON), nullptr);
}

}  // namespace
