#include "addin/host/services.h"

#include <algorithm>

#include "addin/commands/CExplorerMenu.h"
#include "addin/folders/CRecentFolders.h"
#include "addin/host/CGrelmoEvents.h"
#include "addin/host/error_discipline.h"
#include "addin/lang/CLang.h"
#include "addin/tracking/CInspectorsWrapper.h"

namespace brisko {

AddinServices DefaultServices() {
    AddinServices s;
    s.newLanguage = [] { return std::make_shared<CLangService>(); };
    s.newRecentFolders = [] { return std::make_shared<CRecentFolders>(); };
    s.newInspectorsTracker = [] { return std::make_shared<CInspectorsWrapper>(); };
    s.newExplorerMenu = [] { return std::make_shared<CExplorerMenu>(); };
    s.newContextMenuEvents = [] { return std::make_shared<CGrelmoEvents>(); };
    s.currentUserEmail = [] { return std::wstring(); };
    return s;
}

AddinServices& Services() {
    static AddinServices services = DefaultServices();
    return services;
}

void LoadedForms::Add(std::shared_ptr<IForm> form) { forms_.push_back(std::move(form)); }

void LoadedForms::Remove(const IForm* form) {
    std::erase_if(forms_, [form](const std::shared_ptr<IForm>& f) { return f.get() == form; });
}

void LoadedForms::UnloadAll() noexcept {
    ResumeNext next;
    // A form removes itself while it unloads; walk a copy from the last to the first.
    const auto snapshot = forms_;
    for (auto it = snapshot.rbegin(); it != snapshot.rend(); ++it) {
        next([&] { (*it)->Unload(); });
        Remove(it->get());
    }
}

LoadedForms& Forms() {
    static LoadedForms forms;
    return forms;
}

}  // namespace brisko
