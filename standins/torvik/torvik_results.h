// Result codes of Torvik.dll's exports (0 is success).
#pragma once

#include <cstdint>

namespace torvik {

enum Result : std::int32_t {
    kOk = 0,
    kInvalidClient = 1,      // 0, or not the handle of a loaded module
    kBadRecord = 2,          // no init record, or it can't be read
    kBadRecordSize = 3,      // the record's size field is not 180
    kBadRecordAddress = 4,   // a callback or the window rectangle points to nothing usable
    kNotInitialised = 5,     // the export needs a successful TorvikInitEx first
    kBadArgument = 6,        // a string or object argument can't be read
    kLogUnavailable = 7,     // the log folder or file can't be created or written
    kHostCallFailed = 8,     // a call on the host's command bars failed
    kWindowFailed = 9,       // the About box could not be created
    kHelpTopicInvalid = 10,  // the topic names a path outside the Help folder
    kHelpNotFound = 11,      // the topic's file does not exist
    kHelpLaunchFailed = 12,  // the shell or the launcher could not open it
    kInternal = 99,          // anything unexpected, caught at the export
};

// TorvikInitParams: 180 bytes; the offsets the library reads.
namespace record {
inline constexpr std::uint32_t kSize = 180;
inline constexpr std::uint32_t kSizeField = 0;
inline constexpr std::uint32_t kEmailCallback = 40;
inline constexpr std::uint32_t kWindowRect = 56;
inline constexpr std::uint32_t kLangCallback = 60;
inline constexpr std::uint32_t kVersionTextsCallback = 64;
}  // namespace record

}  // namespace torvik
