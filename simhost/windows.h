// Windows of the simulated object model: Explorers, Explorer, Selection, Inspectors, Inspector.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "automation/value.h"
#include "simhost/sim_object.h"
#include "simhost/sim_outlook.h"

namespace brisko::sim {

class SimFolders;
class SimItems;
class SimAttachments;
class SimAttachment;
class SimSelection;

class SimExplorers : public SimObject {
public:
    explicit SimExplorers(SimOutlook& sim) : SimObject(sim, L"Explorers") {}
    const std::vector<SimExplorer*>& List() const noexcept { return list_; }
    void Add(SimExplorer* explorer) { list_.push_back(explorer); }
    void Remove(SimExplorer* explorer);

private:
    std::vector<SimExplorer*> list_;
};

class SimExplorer : public SimObject {
public:
    SimExplorer(SimOutlook& sim, SimFolder* folder) : SimObject(sim, L"Explorer"), folder_(folder) {}

    SimFolder* CurrentFolder() const noexcept { return folder_; }
    void SetCurrentFolder(SimFolder* folder) noexcept { folder_ = folder; }
    const std::vector<SimItem*>& Selected() const noexcept { return selection_; }
    void SetSelected(std::vector<SimItem*> items) { selection_ = std::move(items); }
    void Unselect(const SimItem* item);
    bool Closed() const noexcept { return closed_; }
    void MarkClosed() noexcept { closed_ = true; }
    std::uint64_t ActivationStamp() const noexcept { return stamp_; }
    void SetActivationStamp(std::uint64_t stamp) noexcept { stamp_ = stamp; }
    std::wstring Caption() const;
    std::wstring Identity() const override;

protected:
    void OnVanish() override;

private:
    SimFolder* folder_;
    std::vector<SimItem*> selection_;
    bool closed_ = false;
    std::uint64_t stamp_ = 0;
};

// A snapshot of an explorer's selection, as Explorer.Selection returns it.
class SimSelection : public SimObject {
public:
    SimSelection(SimOutlook& sim, SimExplorer* explorer, std::vector<SimItem*> items)
        : SimObject(sim, L"Selection"), explorer_(explorer), items_(std::move(items)) {}
    SimExplorer* Explorer() const noexcept { return explorer_; }
    const std::vector<SimItem*>& Items() const noexcept { return items_; }

private:
    SimExplorer* explorer_;
    std::vector<SimItem*> items_;
};

class SimInspectors : public SimObject {
public:
    explicit SimInspectors(SimOutlook& sim) : SimObject(sim, L"Inspectors") {}
    const std::vector<SimInspector*>& List() const noexcept { return list_; }
    void Add(SimInspector* inspector) { list_.push_back(inspector); }
    void Remove(SimInspector* inspector);

private:
    std::vector<SimInspector*> list_;
};

class SimInspector : public SimObject {
public:
    SimInspector(SimOutlook& sim, SimItem* item, int editorType)
        : SimObject(sim, L"Inspector"), item_(item), editorType_(editorType) {}

    SimItem* CurrentItem() const noexcept { return item_; }
    int EditorType() const noexcept { return editorType_; }
    void SetEditorType(int editorType) noexcept { editorType_ = editorType; }
    bool Closed() const noexcept { return closed_; }
    void MarkClosed() noexcept { closed_ = true; }
    std::uint64_t ActivationStamp() const noexcept { return stamp_; }
    void SetActivationStamp(std::uint64_t stamp) noexcept { stamp_ = stamp; }
    std::wstring Caption() const;
    std::wstring Identity() const override;

protected:
    void OnVanish() override;

private:
    SimItem* item_;
    int editorType_;
    bool closed_ = false;
    std::uint64_t stamp_ = 0;
};

}  // namespace brisko::sim
