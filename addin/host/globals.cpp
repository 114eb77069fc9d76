#include "addin/host/globals.h"

#include "addin/folders/mMain.h"
#include "addin/host/COptions.h"
#include "addin/host/Connect.h"
#include "addin/host/mTorvik.h"

namespace brisko {

namespace {
std::unique_ptr<COptions> g_oOptions;
}

std::shared_ptr<Connect> g_oConnect;
ObjectPtr g_oApplication;
std::shared_ptr<ILanguage> g_oLang;
std::shared_ptr<IRecentFolders> g_oRecentMove2Folders;
std::shared_ptr<IRecentFolders> g_oRecentCalendars;

COptions& Options() {
    if (!g_oOptions) g_oOptions = std::make_unique<COptions>();
    return *g_oOptions;
}

void ReleaseProcessObjects() noexcept {
    g_oConnect.reset();
    g_oApplication.reset();
    g_oLang.reset();
    g_oRecentMove2Folders.reset();
    g_oRecentCalendars.reset();
    g_oOptions.reset();
    ReleaseTorvik();
    ResetStoreNumbers();
}

}  // namespace brisko
