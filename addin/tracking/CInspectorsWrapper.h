// The tracker of inspector windows: reports every new one and, before Outlook 2007, keeps one
// CInspectorWrapper per sent mail window.
#pragma once

#include <memory>
#include <vector>

#include "addin/host/services.h"
#include "addin/tracking/CInspectorWrapper.h"
#include "automation/object.h"

namespace brisko {

class CInspectorsWrapper : public IInspectorsTracker, public std::enable_shared_from_this<CInspectorsWrapper> {
public:
    CInspectorsWrapper() = default;
    ~CInspectorsWrapper() override;

    void SetEventSink(std::weak_ptr<InspectorsEvents> sink) override { sink_ = std::move(sink); }
    void Init(const ObjectPtr& oInspectors) override;
    void Done() noexcept override;
    std::vector<std::shared_ptr<IInspectorWrapper>> GetWrappers() override;

    std::size_t WrapperCount() const noexcept { return m_colWrappers ? m_colWrappers->size() : 0; }

private:
    void m_oInspectors_NewInspector(const ObjectPtr& oInspector);

    WithEvents m_oInspectors;
    std::unique_ptr<std::vector<std::shared_ptr<CInspectorWrapper>>> m_colWrappers;
    std::weak_ptr<InspectorsEvents> sink_;
};

}  // namespace brisko
