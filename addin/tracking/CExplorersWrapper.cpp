#include "addin/tracking/CExplorersWrapper.h"

#include "addin/host/error_discipline.h"
#include "addin/host/mTorvik.h"
#include "automation/error.h"
#include "automation/text.h"

namespace brisko {

namespace {
constexpr const wchar_t* kEventProc = L"CExplorersWrapper::CExplorers::EventFromExplorer";

std::shared_ptr<CExplorerWrapper> AsWrapper(const Value& v) {
    auto w = std::dynamic_pointer_cast<CExplorerWrapper>(v.AsObject());
    if (!w) Raise(err::TypeMismatch);
    return w;
}
}  // namespace

CExplorersWrapper::CExplorersWrapper() : m_colWrappers(std::make_shared<Collection>()) {}

CExplorersWrapper::~CExplorersWrapper() { Done(true); }

int CExplorersWrapper::Count() const {
    if (!m_colWrappers) Raise(err::ObjectNotSet);
    return m_colWrappers->Count();
}

std::shared_ptr<CExplorerWrapper> CExplorersWrapper::Item(int index) const {
    if (!m_colWrappers) Raise(err::ObjectNotSet);
    return AsWrapper(m_colWrappers->Item(index));
}

std::shared_ptr<CExplorerWrapper> CExplorersWrapper::Find(const std::wstring& key) const {
    if (!m_colWrappers) return nullptr;
    for (int i = 1; i <= m_colWrappers->Count(); ++i) {
        auto w = AsWrapper(m_colWrappers->Item(i));
        if (w->Key() == key) return w;
    }
    return nullptr;
}

void CExplorersWrapper::Init(const ObjectPtr& explorers) {
    Trapped(L"CExplorersWrapper.Init", [&] {
        std::weak_ptr<CExplorersWrapper> weak = std::static_pointer_cast<CExplorersWrapper>(shared_from_this());
        m_oExplorers.Set(explorers, [weak](std::wstring_view event, Args& args) {
            auto self = weak.lock();
            if (!self || !EqualsNoCase(event, L"NewExplorer")) return;
            self->m_oExplorers_NewExplorer(args.empty() ? nullptr : args[0].AsObject());
        });
        const int count = GetOf(explorers, L"Count").AsInt();
        for (int i = 1; i <= count; ++i) {
            auto wrapper = std::make_shared<CExplorerWrapper>();
            wrapper->Init(ObjectOf(explorers, L"Item", {i}), false);
            // The reaction to OnExplorer may have torn the add-in down.
            if (!m_colWrappers) break;
            m_colWrappers->Add(Value(wrapper));
        }
    });
}

void CExplorersWrapper::m_oExplorers_NewExplorer(const ObjectPtr& explorer) {
    try {
        auto wrapper = std::make_shared<CExplorerWrapper>();
        if (GetOutlookMajorVersion() >= 12) {
            wrapper->Init(explorer, true);
        } else {
            wrapper->InitWaitActivate(explorer);
        }
        if (!m_colWrappers) Raise(err::ObjectNotSet);
        m_colWrappers->Add(Value(wrapper));
    } catch (...) {
        // Leaves quietly.
    }
    Err().Clear();
}

void CExplorersWrapper::EventFromExplorer(const std::wstring& strName, const std::shared_ptr<Collection>& colArgs) {
    // The tracker lives through the report even when the connection releases it.
    auto self = std::static_pointer_cast<CExplorersWrapper>(shared_from_this());
    TrappedWith([&] { Dispatch(strName, colArgs); },
                [&] { LogError(kEventProc, 0, L"EventFromExplorer - " + strName); });
}

void CExplorersWrapper::Dispatch(const std::wstring& strName, const std::shared_ptr<Collection>& colArgs) {
    auto param = [&](int i) {
        if (!colArgs) Raise(err::ObjectNotSet);
        return colArgs->Item(i);
    };
    if (EqualsNoCase(strName, L"Close")) {
        if (!m_colWrappers) Raise(err::ObjectNotSet);
        for (int i = m_colWrappers->Count(); i >= 1; --i) {
            if (!AsWrapper(m_colWrappers->Item(i))->GetObject()) m_colWrappers->Remove(i);
        }
        if (m_colWrappers->Count() == 0) {
            if (auto sink = Sink()) sink->OnCloseAllExplorers();
        }
    } else if (EqualsNoCase(strName, L"OnExplorer")) {
        auto reported = AsWrapper(param(1));
        bool bFirstExplorer = true;
        if (m_colWrappers) {
            for (int i = 1; i <= m_colWrappers->Count(); ++i) {
                auto w = AsWrapper(m_colWrappers->Item(i));
                if (w != reported && !w->WaitingActivateEvent()) bFirstExplorer = false;
            }
        }
        const bool bNewExplorer = param(2).AsBool();
        if (auto sink = Sink()) sink->OnExplorer(reported, bFirstExplorer, bNewExplorer);
    } else if (EqualsNoCase(strName, L"SelectionChange")) {
        auto w = AsWrapper(param(1));
        if (auto sink = Sink()) sink->OnExplorerSelectionChange(w);
    } else if (EqualsNoCase(strName, L"FolderSwitch")) {
        auto w = AsWrapper(param(1));
        if (auto sink = Sink()) sink->OnExplorerFolderSwitch(w);
    } else {
        LogError(kEventProc, 0, L"Unsuported event raised - " + strName);
    }
}

void CExplorersWrapper::Done(bool bFull) noexcept {
    Resuming([&](ResumeNext& next) {
        if (m_colWrappers) {
            auto wrappers = m_colWrappers;
            for (int i = 1; i <= wrappers->Count(); ++i) {
                next([&] { AsWrapper(wrappers->Item(i))->Done(); });
            }
            m_colWrappers.reset();
        }
        if (!bFull) {
            next([&] { m_colWrappers = std::make_shared<Collection>(); });
        } else {
            m_oExplorers.Reset();
        }
    });
}

}  // namespace brisko
