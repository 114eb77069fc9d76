#include "addin/tracking/CExplorerWrapper.h"

#include <cstdio>

#include "addin/host/Connect.h"
#include "addin/host/error_discipline.h"
#include "addin/host/globals.h"
#include "addin/tracking/CExplorersWrapper.h"
#include "automation/error.h"
#include "automation/text.h"
#include "platform/platform.h"

namespace brisko {

CExplorerWrapper::~CExplorerWrapper() { Done(); }

std::wstring CExplorerWrapper::MakeKey() {
    auto* clock = CurrentPlatform().clock;
    std::wstring key;
    for (int i = 0; i < 8; ++i) {
        const double r = clock ? clock->Random() : 0.0;
        key += static_cast<wchar_t>(L'0' + static_cast<int>(9.0 * r));
    }
    const DateParts t = clock ? clock->Now() : DateParts{};
    wchar_t buf[32];
    std::swprintf(buf, 32, L"-%d%02d%02d%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
    return key + buf;
}

void CExplorerWrapper::Subscribe(const ObjectPtr& explorer) {
    std::weak_ptr<CExplorerWrapper> weak = std::static_pointer_cast<CExplorerWrapper>(shared_from_this());
    m_oExplorer.Set(explorer, [weak](std::wstring_view event, Args&) {
        // The wrapper lives through its own handler even when the tracker drops it there.
        if (auto self = weak.lock()) self->OnWindowEvent(event);
    });
}

void CExplorerWrapper::Init(const ObjectPtr& explorer, bool bNewExplorer) {
    Trapped(L"CExplorerWrapper.Init", [&] {
        Subscribe(explorer);
        m_sKey = MakeKey();
        m_colAssociated = std::make_shared<Collection>();
        auto params = MakeCollection({Value(shared_from_this()), Value(bNewExplorer)});
        ForwardExplorerEvent(L"OnExplorer", params);
    });
}

void CExplorerWrapper::InitWaitActivate(const ObjectPtr& explorer) {
    Trapped(L"CExplorerWrapper.InitWaitActivate", [&] {
        m_bWaitingActivate = true;
        m_sKey = MakeKey();
        Subscribe(explorer);
    });
}

void CExplorerWrapper::Done() noexcept {
    // Attached objects go first: they may still use the window while they are released.
    auto associated = std::move(m_colAssociated);
    m_colAssociated.reset();
    associated.reset();
    m_oExplorer.Reset();
}

void CExplorerWrapper::AddAssociatedObject(const ObjectPtr& object, const std::wstring& key) {
    if (!m_colAssociated) Raise(err::ObjectNotSet);
    m_colAssociated->Add(Value(object), key);
}

ObjectPtr CExplorerWrapper::GetAssociatedObject(const std::wstring& key) const {
    if (!m_colAssociated) Raise(err::ObjectNotSet);
    return m_colAssociated->Item(key).AsObject();
}

void CExplorerWrapper::RemoveAssociatedObject(const std::wstring& key) {
    if (!m_colAssociated) Raise(err::ObjectNotSet);
    m_colAssociated->Remove(key);
}

void CExplorerWrapper::OnWindowEvent(std::wstring_view event) {
    if (EqualsNoCase(event, L"Activate")) m_oExplorer_Activate();
    else if (EqualsNoCase(event, L"Close")) m_oExplorer_Close();
    else if (EqualsNoCase(event, L"FolderSwitch")) m_oExplorer_FolderSwitch();
    else if (EqualsNoCase(event, L"SelectionChange")) m_oExplorer_SelectionChange();
}

void CExplorerWrapper::m_oExplorer_Activate() {
    Trapped(L"CExplorerWrapper.m_oExplorer_Activate", [&] {
        if (!m_bWaitingActivate) return;
        m_bWaitingActivate = false;
        Init(m_oExplorer.Get(), true);
    });
}

void CExplorerWrapper::m_oExplorer_Close() {
    Trapped(L"CExplorerWrapper.m_oExplorer_Close", [&] {
        Done();
        ForwardExplorerEvent(L"Close", nullptr);
    });
}

void CExplorerWrapper::m_oExplorer_FolderSwitch() {
    Trapped(L"CExplorerWrapper.m_oExplorer_FolderSwitch",
            [&] { ForwardExplorerEvent(L"FolderSwitch", MakeCollection({Value(shared_from_this())})); });
}

void CExplorerWrapper::m_oExplorer_SelectionChange() {
    Trapped(L"CExplorerWrapper.m_oExplorer_SelectionChange",
            [&] { ForwardExplorerEvent(L"SelectionChange", MakeCollection({Value(shared_from_this())})); });
}

void ForwardExplorerEvent(const std::wstring& strName, const std::shared_ptr<Collection>& colArgs) {
    // Hold the connection and its tracker for the whole report: the handlers may tear both down.
    auto connect = g_oConnect;
    if (!connect) Raise(err::ObjectNotSet);
    auto tracker = connect->Explorers();
    if (!tracker) Raise(err::ObjectNotSet);
    tracker->EventFromExplorer(strName, colArgs);
}

}  // namespace brisko
