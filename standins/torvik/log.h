// The log: where it lies, which records it takes, how a line looks, and the open file.
//
// Location: <base>\<Company>\<Product>\<Product>.log, one file per user. <base> is the user's
// local application data (SHGetFolderPath CSIDL_LOCAL_APPDATA), or the folder named by the
// environment variable TORVIK_LOG_DIR when set. Company and product come from the client
// module's version resource (CompanyName, ProductName), each falling back to the module's base
// name, made fit for a folder name (see FolderName).
//
// Line layout, UTF-8, one record a line, ended by CR LF, six fields separated by one TAB:
//
//   <time>  <level>  <detail>  <procedure>  <error number>  <message>
//
//   time          local time, yyyy-mm-dd hh:mm:ss.mmm
//   level         DEBUG (1), WARNING (2), ERROR (3), LEVEL<n> for any other number a client
//                 gives, INFO for the library's own records
//   detail        the detail level as given, in decimal
//   procedure     as given
//   error number  as given, in decimal
//   message       as given
//
//   2010-06-01 09:15:02.125	ERROR	1	Connect.IDTExtensibility2_OnConnection	0	Torvik.InitEx returned 5
//
// Control characters inside procedure and message are written as \t, \r, \n or \xNN, so that
// neither a field nor a line can break; everything else is written unchanged.
//
// The library's own records carry a procedure starting with "Torvik." (level INFO, or WARNING
// when it refuses a call).
//
// Filter: errors, warnings, INFO and records of any level other than 1 are always written. A
// debug record (level 1) of detail d is written when d <= DebugLevel (a detail below 1 counts as
// 1); DebugLevel 0, the default, writes no debug record, 3 writes all the add-in sends.
// DebugLevel is read, at a client's first call and at each TorvikInitEx, from the environment
// variable TORVIK_DEBUG_LEVEL (decimal) when set, else from the DWORD value "DebugLevel" under
// HKEY_CURRENT_USER\Software\<Company>\<Product>\Torvik.
//
// The file is opened for appending at its first record and kept open while the library is
// loaded, shared for reading and writing; every record is one write of its own, with no
// buffering in the process; warnings and errors are also flushed to disk.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "win_util.h"

namespace torvik {

inline constexpr std::int32_t kLevelDebug = 1;
inline constexpr std::int32_t kLevelWarning = 2;
inline constexpr std::int32_t kLevelError = 3;
// The library's own records; no client sends it (levels are 1 to 3).
inline constexpr std::int32_t kLevelInfo = INT32_MIN;

// The folder of the log files: TORVIK_LOG_DIR, else the user's local application data.
std::wstring LogBaseFolder();
std::wstring LogFilePath(const std::wstring& base, const std::wstring& company, const std::wstring& product);

std::uint32_t ReadDebugLevel(const std::wstring& company, const std::wstring& product);
bool IsWanted(std::int32_t level, std::int32_t detail, std::uint32_t debugLevel) noexcept;

std::string FormatLine(const SYSTEMTIME& time, std::int32_t level, std::int32_t detail, std::wstring_view procedure,
                       std::int32_t number, std::wstring_view message);

class LogFile {
public:
    explicit LogFile(std::wstring path) : path_(std::move(path)) {}
    const std::wstring& path() const { return path_; }
    // Opens the file for the record and closes it again (the library may stay loaded until the
    // process ends, and the log must not stay open that long); creates the folders when they are
    // missing. A failure is retried at the next record.
    bool Append(const std::string& line, bool flush);

private:
    std::wstring path_;
    std::mutex mutex_;
};

// One LogFile for each path, shared by the clients that write to it.
class LogFiles {
public:
    std::shared_ptr<LogFile> Get(const std::wstring& path);

private:
    std::mutex mutex_;
    std::map<std::wstring, std::weak_ptr<LogFile>> files_;
};

}  // namespace torvik
