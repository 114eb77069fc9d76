// The ribbon host of Office 2007 and 2010: asks the add-in for markup per ribbon type when Office
// does, checks it, calls onLoad with the IRibbonUI, and shows the add-in's tab in a window by
// calling the controls' callbacks by name, with Office's caching and invalidation.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "automation/object.h"
#include "simhost/sim_object.h"
#include "simhost/xml_check.h"

namespace brisko::sim {

class SimRibbon;

inline constexpr const wchar_t* kCustomUINamespace = L"http://schemas.microsoft.com/office/2006/01/customui";
inline constexpr const wchar_t* kRibbonExplorer = L"Microsoft.Outlook.Explorer";
inline constexpr const wchar_t* kRibbonMailRead = L"Microsoft.Outlook.Mail.Read";
inline constexpr const wchar_t* kRibbonMailCompose = L"Microsoft.Outlook.Mail.Compose";

// Answers whether the add-in has a member of that name without calling it (through COM:
// GetIDsOfNames). An endpoint object may implement it; Attach also takes one.
class RibbonNameProbe {
public:
    virtual ~RibbonNameProbe() = default;
    virtual bool AnswersName(std::wstring_view name) = 0;
};

// One element of the add-in's tab as Office shows it.
struct RibbonControlState {
    std::wstring id;
    std::wstring kind;  // the element's name: tab, group, button, splitButton, menu, menuSeparator ...
    int depth = 0;      // 0 for a tab
    std::wstring label;
    std::wstring screentip;
    bool enabled = true;
    bool visible = true;
    std::wstring image;  // the imageMso name, "picture" when getImage gave one, or empty

    bool operator==(const RibbonControlState&) const = default;
};

// The IRibbonUI handed to onLoad (type "IRibbonUI": Invalidate, InvalidateControl).
class SimRibbonUI : public SimObject {
public:
    SimRibbonUI(SimOutlook& sim, SimRibbon* ribbon) : SimObject(sim, L"IRibbonUI"), ribbon_(ribbon) {}
    SimRibbon* Ribbon() const noexcept { return ribbon_; }
    void Forget() noexcept { ribbon_ = nullptr; }

private:
    SimRibbon* ribbon_;
};

// The IRibbonControl passed to a control's callbacks (type "IRibbonControl": Id, Context, Tag).
class SimRibbonControl : public SimObject {
public:
    SimRibbonControl(SimOutlook& sim, std::wstring id, std::wstring tag, SimObject* context)
        : SimObject(sim, L"IRibbonControl"), id_(std::move(id)), tag_(std::move(tag)), context_(context) {}
    const std::wstring& Id() const noexcept { return id_; }
    const std::wstring& Tag() const noexcept { return tag_; }
    SimObject* Context() const noexcept { return context_; }
    std::wstring Identity() const override { return id_; }

private:
    std::wstring id_;
    std::wstring tag_;
    SimObject* context_;
};

// Fills the arena's type tables with IRibbonUI and IRibbonControl.
void InstallRibbonTypes(SimOutlook& sim);

class SimRibbon {
public:
    explicit SimRibbon(SimOutlook& sim);
    ~SimRibbon();
    SimRibbon(const SimRibbon&) = delete;
    SimRibbon& operator=(const SimRibbon&) = delete;

    // The add-in as Office reaches it: Invoke("GetCustomUI", Method, {id}) and the callbacks by
    // name (Invoke(name, Method, {control or ribbon})). Callback names are checked with the probe
    // given here, else with the add-in's own RibbonNameProbe, else (no probe) a callback that
    // raises 438 when called is recorded as a problem. Attaching again starts afresh.
    void Attach(ObjectPtr addin, std::function<bool(std::wstring_view)> probe = {});
    // Drops the add-in, the loaded markup and the IRibbonUI (which then answers no call).
    void Detach();
    bool IsAttached() const noexcept { return static_cast<bool>(addin_); }

    // The host finished starting (called after the add-in's OnStartupComplete): on 14 asks for
    // the explorer ribbon when an explorer is open, and for the mail windows already open.
    void StartupComplete();
    bool StartedUp() const noexcept { return startedUp_; }
    // Called by the arena when a window opens (before NewExplorer / NewInspector).
    void WindowOpening(SimObject* window);

    // GetCustomUI's answer, exactly as returned (empty when it raised); loads nothing.
    std::wstring AskCustomUI(std::wstring_view ribbonId);
    // The ribbon type Office asks for the window ("" when it has none on this version).
    std::wstring RibbonTypeOf(SimObject* window) const;
    // Whether the type was asked this attach, and the markup it was answered with.
    bool Asked(std::wstring_view ribbonType) const;
    std::wstring LoadedMarkup(std::wstring_view ribbonType) const;
    // The types in the order they were asked.
    const std::vector<std::wstring>& AskedTypes() const noexcept { return askedOrder_; }

    // The add-in's tab in the window (asking for its type first when that was not done yet):
    // every element below <tabs> in document order. Callbacks run for controls not shown in
    // this window before and for those invalidated since; the rest come from the cache.
    std::vector<RibbonControlState> Show(SimObject* window);
    // One line per element, indented by depth:
    //   tab tabBriskoE label "Brisko" visible yes
    //     button btnQuickTaskE label "Quick Task" screentip "..." enabled yes visible yes image picture
    static std::wstring DescribeShow(const std::vector<RibbonControlState>& controls);
    // onAction of the control when it and every element above it are visible and enabled.
    bool Click(SimObject* window, std::wstring_view controlId);

    // Callbacks made so far (onLoad, getters, actions).
    std::uint64_t CallbackCount() const noexcept { return callbacks_; }
    // What Office would report about the add-in's markup and callbacks.
    const std::vector<std::wstring>& Problems() const noexcept { return problems_; }
    void ClearProblems() { problems_.clear(); }
    // The IRibbonUI given to onLoad, nullptr before.
    SimRibbonUI* RibbonUI() const noexcept { return ribbonUI_; }

    // Called by IRibbonUI.
    void Invalidate();
    void InvalidateControl(std::wstring_view controlId);
    std::uint64_t Invalidations() const noexcept { return invalidations_; }

private:
    struct Loaded {
        std::wstring markup;
        bool accepted = false;  // passed the checks
        XmlDocument doc;
    };
    struct CachedControl {
        RibbonControlState state;
        bool valid = false;
    };

    Loaded* Load(const std::wstring& ribbonType);
    bool CheckMarkup(const std::wstring& ribbonType, Loaded& loaded);
    bool AnswersByName(const std::wstring& name, bool& known);
    // Calls a callback; false when it failed (recorded).
    bool Callback(const std::wstring& name, SimObject* argument, Value& result);
    SimRibbonControl* ControlObject(SimObject* window, const std::wstring& id, const std::wstring& tag);
    void Refresh(SimObject* window, const XmlDocument& doc, std::size_t element, CachedControl& slot);
    void Problem(std::wstring text);

    SimOutlook& sim_;
    ObjectPtr addin_;
    std::function<bool(std::wstring_view)> probe_;
    bool startedUp_ = false;
    std::map<std::wstring, Loaded> loaded_;
    std::vector<std::wstring> askedOrder_;
    SimRibbonUI* ribbonUI_ = nullptr;
    bool onLoadCalled_ = false;
    std::set<std::wstring> missingNames_;  // callbacks found not to answer, reported once
    std::map<const SimObject*, std::map<std::wstring, CachedControl>> cache_;       // window -> id
    std::map<const SimObject*, std::map<std::wstring, SimRibbonControl*>> controls_;  // window -> id
    std::uint64_t callbacks_ = 0;
    std::uint64_t invalidations_ = 0;
    std::vector<std::wstring> problems_;
};

}  // namespace brisko::sim
