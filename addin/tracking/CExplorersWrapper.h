// The tracker of explorer windows: one wrapper per window, events turned into four typed ones.
#pragma once

#include <memory>
#include <string>

#include "addin/tracking/CExplorerWrapper.h"
#include "automation/collection.h"
#include "automation/object.h"

namespace brisko {

class ExplorersEvents {
public:
    virtual ~ExplorersEvents() = default;
    virtual void OnCloseAllExplorers() = 0;
    virtual void OnExplorer(const std::shared_ptr<CExplorerWrapper>& oExplorer, bool bFirstExplorer,
                            bool bNewExplorer) = 0;
    virtual void OnExplorerSelectionChange(const std::shared_ptr<CExplorerWrapper>& oExplorer) = 0;
    virtual void OnExplorerFolderSwitch(const std::shared_ptr<CExplorerWrapper>& oExplorer) = 0;
};

class CExplorersWrapper : public Object {
public:
    CExplorersWrapper();
    ~CExplorersWrapper() override;

    void SetEventSink(std::weak_ptr<ExplorersEvents> sink) { sink_ = std::move(sink); }

    int Count() const;
    std::shared_ptr<CExplorerWrapper> Item(int index) const;
    std::shared_ptr<CExplorerWrapper> Find(const std::wstring& key) const;
    void Init(const ObjectPtr& explorers);
    void Done(bool bFull) noexcept;
    void EventFromExplorer(const std::wstring& strName, const std::shared_ptr<Collection>& colArgs);

    // Listening to the host's collection (after Init, and after Done(False)).
    bool Listening() const noexcept { return static_cast<bool>(m_oExplorers); }

    std::wstring TypeName() const override { return L"CExplorersWrapper"; }

private:
    void m_oExplorers_NewExplorer(const ObjectPtr& explorer);
    void Dispatch(const std::wstring& strName, const std::shared_ptr<Collection>& colArgs);
    std::shared_ptr<ExplorersEvents> Sink() const { return sink_.lock(); }

    WithEvents m_oExplorers;
    std::shared_ptr<Collection> m_colWrappers;
    std::weak_ptr<ExplorersEvents> sink_;
};

}  // namespace brisko
