// File-system helpers of the language engine, on the platform's ANSI file functions.
#pragma once

#include <string>

#include "automation/value.h"

namespace brisko {
class Files;
}

namespace brisko::mFileUtils {

// The platform's files and the path in the system code page; raise 51 when the platform has
// no files or code page.
Files& PlatformFiles();
std::string AnsiPath(const std::wstring& path);

// The last write time in local time, to the second; the output is untouched when it fails.
bool GetFileLastModificationTime(const std::wstring& path, Date& when);
// True when the path names a folder that can be listed.
bool FolderExists(const std::wstring& path);
// Creates the folder and any missing parents; true when the folder exists afterwards.
bool CreateFolderPath(const std::wstring& path);

}  // namespace brisko::mFileUtils
