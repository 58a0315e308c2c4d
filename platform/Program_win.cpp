#include "platform/Program.h"

#include <windows.h>

#include <vector>

#include "failure/Failure.h"
#include "platform/Program_internal.h"
#include "platform/WinText_internal.h"

namespace lum {

std::string ExecutablePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) throw Failure(err::kPathFileAccess, "ProgramFolder");
    if (length < buffer.size()) return Utf8FromWide(std::wstring_view(buffer.data(), length));
    buffer.resize(buffer.size() * 2);
  }
}

void IgnoreFileSizeLimitSignal() {}

}  // namespace lum
