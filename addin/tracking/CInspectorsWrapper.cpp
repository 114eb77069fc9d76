#include "addin/tracking/CInspectorsWrapper.h"

#include "addin/host/error_discipline.h"
#include "addin/host/globals.h"
#include "automation/error.h"
#include "automation/text.h"

namespace brisko {

CInspectorsWrapper::~CInspectorsWrapper() { Done(); }

void CInspectorsWrapper::Init(const ObjectPtr& oInspectors) {
    Resuming([&](ResumeNext& next) {
        next([&] {
            const ObjectPtr inspectors = oInspectors ? oInspectors : ObjectOf(g_oApplication, L"Inspectors");
            std::weak_ptr<CInspectorsWrapper> weak = weak_from_this();
            m_oInspectors.Set(inspectors, [weak](std::wstring_view event, Args& args) {
                if (!EqualsNoCase(event, L"NewInspector")) return;
                auto self = weak.lock();
                if (!self) return;
                const ObjectPtr inspector = args.empty() ? nullptr : args[0].AsObject();
                self->m_oInspectors_NewInspector(inspector);
            });
        });
    });
}

void CInspectorsWrapper::m_oInspectors_NewInspector(const ObjectPtr& oInspector) {
    Trapped(L"CInspectorsWrapper::m_oInspectors_NewInspector", [&] {
        LogDebug(L"CInspectorsWrapper::m_oInspectors_NewInspector", L"->", 1);
        if (!m_colWrappers) m_colWrappers = std::make_unique<std::vector<std::shared_ptr<CInspectorWrapper>>>();
        for (std::size_t i = m_colWrappers->size(); i-- > 0;) {
            const auto wrapper = (*m_colWrappers)[i];
            if (!wrapper->GetInspector()) {
                wrapper->Done();
                m_colWrappers->erase(m_colWrappers->begin() + static_cast<std::ptrdiff_t>(i));
            }
        }
        if (auto sink = sink_.lock()) sink->OnNewInspector(oInspector);
        // The connection may have stopped tracking inside its handler.
        if (!m_colWrappers) return;
        if (GetOutlookMajorVersion() < 12 && GetOf(ObjectOf(oInspector, L"CurrentItem"), L"Class").AsInt() == 43) {
            auto wrapper = std::make_shared<CInspectorWrapper>();
            if (wrapper->Init(oInspector)) m_colWrappers->push_back(std::move(wrapper));
        }
    });
}

void CInspectorsWrapper::Done() noexcept {
    m_oInspectors.Reset();
    auto wrappers = std::move(m_colWrappers);
    m_colWrappers.reset();
    if (wrappers) {
        for (const auto& w : *wrappers) w->Done();
    }
    Err().Clear();
}

std::vector<std::shared_ptr<IInspectorWrapper>> CInspectorsWrapper::GetWrappers() {
    std::vector<std::shared_ptr<IInspectorWrapper>> out;
    if (m_colWrappers) {
        for (const auto& w : *m_colWrappers) out.push_back(w);
    }
    return out;
}

}  // namespace brisko
