// One tracked explorer window and the objects attached to it.
#pragma once

#include <memory>
#include <string>

#include "automation/collection.h"
#include "automation/object.h"

namespace brisko {

class CExplorerWrapper : public Object {
public:
    CExplorerWrapper() = default;
    ~CExplorerWrapper() override;

    const std::wstring& Key() const noexcept { return m_sKey; }
    bool WaitingActivateEvent() const noexcept { return m_bWaitingActivate; }
    // The window; nothing after Done.
    ObjectPtr GetObject() const { return m_oExplorer.Get(); }

    // Starts tracking now and reports the window ("OnExplorer") before returning.
    void Init(const ObjectPtr& explorer, bool bNewExplorer);
    // Starts tracking; the window is reported at its first activation.
    void InitWaitActivate(const ObjectPtr& explorer);
    // Drops the attached objects and the window.
    void Done() noexcept;

    void AddAssociatedObject(const ObjectPtr& object, const std::wstring& key);
    // Raise the collection's errors for a missing key.
    ObjectPtr GetAssociatedObject(const std::wstring& key) const;
    void RemoveAssociatedObject(const std::wstring& key);
    bool HasAssociatedObject(const std::wstring& key) const noexcept {
        return m_colAssociated && m_colAssociated->HasKey(key);
    }

    std::wstring TypeName() const override { return L"CExplorerWrapper"; }

    // A key unique among the live wrappers: eight random digits, "-", and the time to the second.
    static std::wstring MakeKey();

private:
    void Subscribe(const ObjectPtr& explorer);
    void OnWindowEvent(std::wstring_view event);
    void m_oExplorer_Activate();
    void m_oExplorer_Close();
    void m_oExplorer_FolderSwitch();
    void m_oExplorer_SelectionChange();

    WithEvents m_oExplorer;
    std::shared_ptr<Collection> m_colAssociated;
    std::wstring m_sKey;
    bool m_bWaitingActivate = false;
};

// Sends a wrapper's report to the tracker of the connected add-in.
void ForwardExplorerEvent(const std::wstring& strName, const std::shared_ptr<Collection>& colArgs);

}  // namespace brisko
