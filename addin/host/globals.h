// The process-wide objects of one loaded add-in.
#pragma once

#include <memory>

#include "addin/host/services.h"
#include "automation/object.h"

namespace brisko {

class Connect;
class COptions;

extern std::shared_ptr<Connect> g_oConnect;
extern ObjectPtr g_oApplication;
extern std::shared_ptr<ILanguage> g_oLang;
extern std::shared_ptr<IRecentFolders> g_oRecentMove2Folders;
extern std::shared_ptr<IRecentFolders> g_oRecentCalendars;

// g_oOptions, created on first use.
COptions& Options();

// Drops every process-wide object, as unloading the library does.
void ReleaseProcessObjects() noexcept;

}  // namespace brisko
