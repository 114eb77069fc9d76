#include "simhost/ribbon.h"

#include <cwctype>

#include "automation/error.h"
#include "automation/text.h"
#include "simhost/objects.h"
#include "simhost/sim_outlook.h"

namespace brisko::sim {

namespace {

int MajorVersion(const SimOutlook& sim) {
    int major = 0;
    for (const wchar_t c : sim.Version()) {
        if (c < L'0' || c > L'9') break;
        major = major * 10 + (c - L'0');
    }
    return major;
}

// Attributes whose value names a callback of the add-in.
bool IsCallbackAttribute(const std::wstring& name) {
    auto upperAt = [&](std::size_t i) { return name.size() > i && std::iswupper(static_cast<wint_t>(name[i])); };
    if (name == L"loadImage") return true;
    if (name.rfind(L"on", 0) == 0 && upperAt(2)) return true;
    return name.rfind(L"get", 0) == 0 && upperAt(3);
}

// The elements of the customUI schema (2006/01).
bool IsKnownElement(const std::wstring& name) {
    static const wchar_t* const kNames[] = {
        L"customUI",     L"commands",       L"command",         L"ribbon",          L"officeMenu",
        L"qat",          L"sharedControls", L"documentControls", L"tabs",           L"tab",
        L"contextualTabs", L"tabSet",       L"group",           L"box",             L"buttonGroup",
        L"button",       L"toggleButton",   L"checkBox",        L"editBox",         L"comboBox",
        L"dropDown",     L"gallery",        L"item",            L"menu",            L"dynamicMenu",
        L"splitButton",  L"menuSeparator",  L"separator",       L"labelControl",    L"dialogBoxLauncher",
        L"control",
    };
    for (const wchar_t* n : kNames) {
        if (name == n) return true;
    }
    return false;
}

std::wstring ControlId(const XmlElement& e) {
    for (const wchar_t* attr : {L"id", L"idMso", L"idQ"}) {
        if (const auto* v = e.Attribute(attr)) return *v;
    }
    return {};
}

// true/false/1/0 of a static attribute; fallback when it is absent or something else.
bool BoolAttribute(const XmlElement& e, const wchar_t* name, bool fallback) {
    const auto* v = e.Attribute(name);
    if (!v) return fallback;
    if (*v == L"true" || *v == L"1") return true;
    if (*v == L"false" || *v == L"0") return false;
    return fallback;
}

std::wstring Quoted(const std::wstring& s) { return L"\"" + s + L"\""; }

}  // namespace

void InstallRibbonTypes(SimOutlook& sim) {
    auto& ui = sim.Type(L"IRibbonUI");
    ui.Method(L"Invalidate", As<SimRibbonUI>([](SimRibbonUI& r, Args&) {
                  if (r.Ribbon()) r.Ribbon()->Invalidate();
                  return Value();
              }));
    ui.Method(
        L"InvalidateControl",
        As<SimRibbonUI>([](SimRibbonUI& r, Args& a) {
            const std::wstring id = a[0].AsString();
            if (r.Ribbon()) r.Ribbon()->InvalidateControl(id);
            return Value();
        }),
        1, 1);

    auto& control = sim.Type(L"IRibbonControl");
    control.Property(L"Id", As<SimRibbonControl>([](SimRibbonControl& c, Args&) { return Value(c.Id()); }));
    control.Property(L"Tag", As<SimRibbonControl>([](SimRibbonControl& c, Args&) { return Value(c.Tag()); }));
    control.Property(L"Context",
                     As<SimRibbonControl>([](SimRibbonControl& c, Args&) { return ValueOf(c.Context()); }));
}

SimRibbon::SimRibbon(SimOutlook& sim) : sim_(sim) {}

SimRibbon::~SimRibbon() {
    if (ribbonUI_) ribbonUI_->Forget();
}

void SimRibbon::Attach(ObjectPtr addin, std::function<bool(std::wstring_view)> probe) {
    Detach();
    if (!addin) return;
    if (!probe) {
        if (auto* own = dynamic_cast<RibbonNameProbe*>(addin.get())) {
            std::weak_ptr<Object> weak = addin;
            probe = [own, weak](std::wstring_view name) { return !weak.expired() && own->AnswersName(name); };
        }
    }
    probe_ = std::move(probe);
    addin_ = std::move(addin);
    ribbonUI_ = sim_.Make<SimRibbonUI>(this);
    if (startedUp_) StartupComplete();
}

void SimRibbon::Detach() {
    if (ribbonUI_) {
        ribbonUI_->Forget();
        sim_.Vanish(ribbonUI_);
        ribbonUI_ = nullptr;
    }
    loaded_.clear();
    askedOrder_.clear();
    cache_.clear();
    missingNames_.clear();
    probe_ = nullptr;
    // Last: releasing the add-in may run its teardown.
    const ObjectPtr addin = std::move(addin_);
    addin_.reset();
}

void SimRibbon::StartupComplete() {
    startedUp_ = true;
    if (!addin_) return;
    for (auto* explorer : sim_.OpenExplorers()) {
        const std::wstring type = RibbonTypeOf(explorer);
        if (!type.empty()) Load(type);
    }
    for (auto* inspector : sim_.OpenInspectors()) {
        const std::wstring type = RibbonTypeOf(inspector);
        if (!type.empty()) Load(type);
    }
}

void SimRibbon::WindowOpening(SimObject* window) {
    if (!addin_ || !window) return;
    // Explorers open before start-up completes are served then.
    if (dynamic_cast<SimExplorer*>(window) && !startedUp_) return;
    const std::wstring type = RibbonTypeOf(window);
    if (!type.empty()) Load(type);
}

std::wstring SimRibbon::RibbonTypeOf(SimObject* window) const {
    const int major = MajorVersion(sim_);
    if (dynamic_cast<SimExplorer*>(window)) return major >= 14 ? kRibbonExplorer : L"";
    auto* inspector = dynamic_cast<SimInspector*>(window);
    if (!inspector || major < 12) return {};
    SimItem* item = inspector->CurrentItem();
    if (!item || item->ItemType() != ol::MailItem) return {};
    bool sent = false;
    try {
        const Value v = item->Prop(L"Sent");
        sent = !v.IsEmptyOrMissing() && v.AsBool();
    } catch (const RuntimeError&) {
        sent = false;
    }
    return sent ? kRibbonMailRead : kRibbonMailCompose;
}

bool SimRibbon::Asked(std::wstring_view ribbonType) const { return loaded_.count(std::wstring(ribbonType)) > 0; }

std::wstring SimRibbon::LoadedMarkup(std::wstring_view ribbonType) const {
    const auto it = loaded_.find(std::wstring(ribbonType));
    return it == loaded_.end() ? std::wstring() : it->second.markup;
}

void SimRibbon::Problem(std::wstring text) { problems_.push_back(std::move(text)); }

std::wstring SimRibbon::AskCustomUI(std::wstring_view ribbonId) {
    if (!addin_) return {};
    const ObjectPtr addin = addin_;
    try {
        Args args{std::wstring(ribbonId)};
        const Value v = addin->Invoke(L"GetCustomUI", CallKind::Method, args);
        return v.IsEmptyOrMissing() || v.IsNull() ? std::wstring() : v.AsString();
    } catch (...) {
        const RuntimeError e = CurrentError();
        sim_.EscapeLog()->push_back({e.number(), e.description(), L"GetCustomUI", L"Ribbon"});
        return {};
    }
}

SimRibbon::Loaded* SimRibbon::Load(const std::wstring& ribbonType) {
    if (const auto it = loaded_.find(ribbonType); it != loaded_.end()) return &it->second;
    if (!addin_) return nullptr;
    Loaded& loaded = loaded_[ribbonType];
    askedOrder_.push_back(ribbonType);
    loaded.markup = AskCustomUI(ribbonType);
    if (loaded.markup.empty()) return &loaded;
    loaded.accepted = CheckMarkup(ribbonType, loaded);
    if (!loaded.accepted || !addin_) return &loaded;
    if (const auto* onLoad = loaded.doc.elements[0].Attribute(L"onLoad"); onLoad && ribbonUI_) {
        Value ignored;
        Callback(*onLoad, ribbonUI_, ignored);
    }
    return &loaded;
}

bool SimRibbon::AnswersByName(const std::wstring& name, bool& known) {
    if (!probe_) {
        known = false;
        return true;
    }
    known = true;
    try {
        return probe_(name);
    } catch (...) {
        return false;
    }
}

bool SimRibbon::CheckMarkup(const std::wstring& ribbonType, Loaded& loaded) {
    std::wstring error;
    if (!ParseXml(loaded.markup, loaded.doc, error)) {
        Problem(ribbonType + L": the markup is not well-formed: " + error);
        return false;
    }
    const XmlElement& root = loaded.doc.elements[0];
    if (root.localName != L"customUI") {
        Problem(ribbonType + L": the root element is <" + root.name + L">, not <customUI>");
        return false;
    }
    if (root.ns != kCustomUINamespace) {
        Problem(ribbonType + L": <customUI> is in the namespace \"" + root.ns + L"\", not \"" + kCustomUINamespace +
                L"\"");
        return false;
    }
    bool ok = true;
    std::set<std::wstring> ids;
    for (const auto& e : loaded.doc.elements) {
        if (e.ns == kCustomUINamespace && !IsKnownElement(e.localName)) {
            Problem(ribbonType + L": line " + std::to_wstring(e.line) + L": unknown element <" + e.name + L">");
            ok = false;
        }
        if (const auto* id = e.Attribute(L"id")) {
            if (id->empty() || !ids.insert(*id).second) {
                Problem(ribbonType + L": line " + std::to_wstring(e.line) + L": the id \"" + *id +
                        L"\" is empty or used twice");
                ok = false;
            }
        }
        for (const auto& a : e.attributes) {
            if (!IsCallbackAttribute(a.name)) continue;
            if (a.value.empty()) {
                Problem(ribbonType + L": line " + std::to_wstring(e.line) + L": " + a.name + L" names no callback");
                continue;
            }
            if (missingNames_.count(a.value)) continue;
            bool known = false;
            if (!AnswersByName(a.value, known)) {
                missingNames_.insert(a.value);
                Problem(ribbonType + L": the callback \"" + a.value + L"\" (" + a.name + L" of <" + e.localName +
                        L">) does not answer by name");
            }
        }
    }
    return ok;
}

bool SimRibbon::Callback(const std::wstring& name, SimObject* argument, Value& result) {
    if (!addin_ || name.empty() || missingNames_.count(name)) return false;
    const ObjectPtr addin = addin_;
    ++callbacks_;
    try {
        Args args{ValueOf(argument)};
        result = addin->Invoke(name, CallKind::Method, args);
        return true;
    } catch (...) {
        const RuntimeError e = CurrentError();
        if (!probe_ && e.number() == brisko::err::NotSupported) {
            // Without a probe a missing name shows only here; Office would not call it again.
            missingNames_.insert(name);
            Problem(L"the callback \"" + name + L"\" does not answer by name (438 when called)");
        } else {
            sim_.EscapeLog()->push_back({e.number(), e.description(), name, L"Ribbon"});
        }
        result = Value();
        return false;
    }
}

SimRibbonControl* SimRibbon::ControlObject(SimObject* window, const std::wstring& id, const std::wstring& tag) {
    auto& slot = controls_[window][id];
    if (!slot) slot = sim_.Make<SimRibbonControl>(id, tag, window);
    return slot;
}

void SimRibbon::Refresh(SimObject* window, const XmlDocument& doc, std::size_t element, CachedControl& slot) {
    const XmlElement& e = doc.elements[element];
    RibbonControlState& s = slot.state;
    s.id = ControlId(e);
    s.kind = e.localName;
    const auto* tag = e.Attribute(L"tag");
    SimRibbonControl* control = ControlObject(window, s.id, tag ? *tag : std::wstring());

    auto text = [&](const wchar_t* staticName, const wchar_t* getter) -> std::wstring {
        if (const auto* v = e.Attribute(staticName)) return *v;
        const auto* cb = e.Attribute(getter);
        Value r;
        if (!cb || !Callback(*cb, control, r)) return {};
        try {
            return r.IsEmptyOrMissing() || r.IsNull() ? std::wstring() : r.AsString();
        } catch (const RuntimeError&) {
            return {};
        }
    };
    auto flag = [&](const wchar_t* staticName, const wchar_t* getter) -> bool {
        const auto* cb = e.Attribute(getter);
        if (!cb) return BoolAttribute(e, staticName, true);
        Value r;
        if (!Callback(*cb, control, r)) return true;
        try {
            return r.AsBool();
        } catch (const RuntimeError&) {
            return true;
        }
    };

    s.visible = flag(L"visible", L"getVisible");
    s.enabled = flag(L"enabled", L"getEnabled");
    s.label = text(L"label", L"getLabel");
    s.screentip = text(L"screentip", L"getScreentip");
    s.image.clear();
    if (const auto* mso = e.Attribute(L"imageMso")) {
        s.image = *mso;
    } else if (const auto* image = e.Attribute(L"image")) {
        s.image = *image;
    } else if (const auto* cb = e.Attribute(L"getImage")) {
        Value r;
        if (Callback(*cb, control, r) && r.IsObject() && !r.IsNothing()) s.image = L"picture";
    }
    slot.valid = true;
}

std::vector<RibbonControlState> SimRibbon::Show(SimObject* window) {
    std::vector<RibbonControlState> shown;
    if (!window || window->Vanished() || !addin_) return shown;
    const std::wstring type = RibbonTypeOf(window);
    if (type.empty()) return shown;
    Loaded* loaded = Load(type);
    if (!loaded || !loaded->accepted) return shown;
    const XmlDocument& doc = loaded->doc;
    auto& cache = cache_[window];
    // The elements below <tabs>, with their depth below it.
    std::vector<int> depthBelowTabs(doc.elements.size(), -1);
    for (std::size_t i = 0; i < doc.elements.size(); ++i) {
        const XmlElement& e = doc.elements[i];
        if (e.parent == static_cast<std::size_t>(-1)) continue;
        if (doc.elements[e.parent].localName == L"tabs") {
            depthBelowTabs[i] = 0;
        } else if (depthBelowTabs[e.parent] >= 0) {
            depthBelowTabs[i] = depthBelowTabs[e.parent] + 1;
        }
        if (depthBelowTabs[i] < 0 || ControlId(e).empty()) continue;
        CachedControl& slot = cache[ControlId(e)];
        if (!slot.valid) Refresh(window, doc, i, slot);
        slot.state.depth = depthBelowTabs[i];
        shown.push_back(slot.state);
        if (!addin_ || window->Vanished()) break;
    }
    return shown;
}

std::wstring SimRibbon::DescribeShow(const std::vector<RibbonControlState>& controls) {
    std::wstring out;
    auto yesNo = [](bool b) { return b ? L"yes" : L"no"; };
    for (const auto& c : controls) {
        out += std::wstring(static_cast<std::size_t>(c.depth) * 2, L' ') + c.kind + L" " + c.id;
        out += L" label " + Quoted(c.label) + L" screentip " + Quoted(c.screentip);
        out += std::wstring(L" enabled ") + yesNo(c.enabled) + L" visible " + yesNo(c.visible);
        out += L" image " + (c.image.empty() ? std::wstring(L"none") : c.image) + L"\n";
    }
    return out;
}

bool SimRibbon::Click(SimObject* window, std::wstring_view controlId) {
    if (!window || window->Vanished() || !addin_ || controlId.empty()) return false;
    Show(window);  // brings the cache up to date
    const std::wstring type = RibbonTypeOf(window);
    const auto it = loaded_.find(type);
    if (it == loaded_.end() || !it->second.accepted || !addin_) return false;
    const XmlDocument& doc = it->second.doc;
    auto& cache = cache_[window];
    for (std::size_t i = 0; i < doc.elements.size(); ++i) {
        if (ControlId(doc.elements[i]) != controlId) continue;
        const auto* action = doc.elements[i].Attribute(L"onAction");
        if (!action || missingNames_.count(*action)) return false;
        // It and every element above it within the tab must be visible and enabled.
        for (std::size_t k = i; k != static_cast<std::size_t>(-1); k = doc.elements[k].parent) {
            const XmlElement& e = doc.elements[k];
            if (e.localName == L"tabs") break;
            const auto slot = cache.find(ControlId(e));
            if (slot == cache.end()) continue;
            if (!slot->second.state.visible || !slot->second.state.enabled) return false;
        }
        const auto* tag = doc.elements[i].Attribute(L"tag");
        SimRibbonControl* control = ControlObject(window, std::wstring(controlId), tag ? *tag : std::wstring());
        Value ignored;
        Callback(*action, control, ignored);
        return true;
    }
    return false;
}

void SimRibbon::Invalidate() {
    ++invalidations_;
    for (auto& [window, controls] : cache_) {
        for (auto& [id, slot] : controls) slot.valid = false;
    }
}

void SimRibbon::InvalidateControl(std::wstring_view controlId) {
    ++invalidations_;
    for (auto& [window, controls] : cache_) {
        if (const auto it = controls.find(std::wstring(controlId)); it != controls.end()) it->second.valid = false;
    }
}

}  // namespace brisko::sim
