// Prints the native controls of the top-level windows of a given title, one
// line each: the control's class, a tab, its text (for a combo box the chosen
// entry's), in UTF-8. Lets a test read a Windows dialog such as the file
// chooser from outside; Qt gives its own dialog object a window of the same
// title, which has no controls. Exit status 1 when no such window exists.
// Usage: WindowControls.exe TITLE   (the title in ASCII)
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string Utf8(const std::wstring& text) {
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
  return bytes;
}

std::wstring ControlText(HWND control, const std::wstring& kind) {
  std::wstring text(4096, L'\0');
  if (kind == L"ComboBox") {
    const LRESULT chosen = SendMessageW(control, CB_GETCURSEL, 0, 0);
    if (chosen == CB_ERR || SendMessageW(control, CB_GETLBTEXTLEN, chosen, 0) >= 4096) return {};
    text.resize(
        static_cast<size_t>(SendMessageW(control, CB_GETLBTEXT, chosen, reinterpret_cast<LPARAM>(text.data()))));
    return text;
  }
  text.resize(static_cast<size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return text;
}

BOOL CALLBACK PrintControl(HWND control, LPARAM) {
  std::wstring kind(256, L'\0');
  kind.resize(static_cast<size_t>(GetClassNameW(control, kind.data(), static_cast<int>(kind.size()))));
  const std::string line = Utf8(kind) + '\t' + Utf8(ControlText(control, kind)) + '\n';
  std::fwrite(line.data(), 1, line.size(), stdout);
  return TRUE;
}

struct Search {
  std::string title;
  bool found = false;
};

BOOL CALLBACK PrintControlsIfTitled(HWND window, LPARAM searchAddress) {
  auto& search = *reinterpret_cast<Search*>(searchAddress);
  std::string title(512, '\0');
  title.resize(static_cast<size_t>(GetWindowTextA(window, title.data(), static_cast<int>(title.size()))));
  if (title == search.title) {
    search.found = true;
    EnumChildWindows(window, PrintControl, 0);
  }
  return TRUE;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 2) return 2;
  _setmode(_fileno(stdout), _O_BINARY);  // lines end in LF alone
  Search search{argv[1]};
  EnumWindows(PrintControlsIfTitled, reinterpret_cast<LPARAM>(&search));
  return search.found ? 0 : 1;
}
