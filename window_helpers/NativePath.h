#pragma once

#include <QString>
#include <string>
#include <string_view>
#include <vector>

namespace lum {

// A file's path twice: as the file system names it, and as the window shows
// it. `bytes` is what the core opens: UTF-8 on Windows; on POSIX the name's
// own bytes, which need not be UTF-8 (a Latin-2 name from an old archive or
// a USB stick). Qt reads file names as UTF-8, so such a name does not come
// back whole from a QString: its bytes travel beside the text.
struct NativePath {
  std::string bytes;
  QString shown;

  // A path the file system gave: shown by ReadableName().
  static NativePath FromBytes(std::string bytes);
  // A path that is text already (typed, or from Qt): its bytes are its UTF-8.
  static NativePath FromText(const QString& text);
};

// `bytes` as a person reads them: UTF-8 where they are UTF-8; any other byte
// as Windows-1250 (the ANSI code page), but from 0xA0 to 0xBF as ISO 8859-2.
// A Czech name written on an older Linux (ISO 8859-2) or on Windows
// (Windows-1250) so reads right either way: the two code pages agree on every
// Czech letter but š, ť and ž, which ISO 8859-2 keeps from 0xA0 to 0xBF and
// Windows-1250 below 0xA0, where ISO 8859-2 has control codes only.
QString ReadableName(std::string_view bytes);

// The names of the entries in `folder` (bytes) that are no folders and whose
// names are not UTF-8: Qt's own listing leaves them out. Empty where the
// folder cannot be read; on Windows, whose names are UTF-16, there are none.
std::vector<std::string> NamesQtCannotList(const std::string& folder);

// The process's current folder as bytes; making the folder of `file` (bytes)
// the current one, false when it could not be.
std::string CurrentFolder();
bool SetCurrentFolderToThatOf(const std::string& file);

}  // namespace lum
