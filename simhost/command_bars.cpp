#include "simhost/command_bars.h"

#include <algorithm>
#include <cwctype>

#include "automation/error.h"
#include "automation/text.h"
#include "simhost/objects.h"

namespace brisko::sim {

namespace {

constexpr const wchar_t* kBarsLink = L"CommandBars";
constexpr const wchar_t* kContextMenu = L"Context Menu";

int MajorVersion(const SimOutlook& sim) {
    int major = 0;
    for (const wchar_t c : sim.Version()) {
        if (c < L'0' || c > L'9') break;
        major = major * 10 + (c - L'0');
    }
    return major;
}

// --- Built-in bars -------------------------------------------------------------------------

struct BuiltIn {
    const wchar_t* caption;
    int id;
    int minVersion = 9;
};

struct BuiltInPopup {
    const wchar_t* caption;
    int id;
    std::vector<BuiltIn> items;
    int minVersion = 9;
};

const std::vector<BuiltIn>& ExplorerStandard() {
    static const std::vector<BuiltIn> list = {
        {L"&New", 1757},          {L"&Print", 4},         {L"Mo&ve to Folder", 1679}, {L"&Delete", 478},
        {L"&Reply", 354},         {L"Reply to A&ll", 355}, {L"For&ward", 356},        {L"Send/Re&ceive", 5488},
        {L"Fin&d", 5592},         {L"Address &Book", 353},
    };
    return list;
}

const std::vector<BuiltIn>& InspectorStandard() {
    static const std::vector<BuiltIn> list = {
        {L"&Reply", 354},       {L"Reply to A&ll", 355},  {L"For&ward", 356},     {L"&Print", 4},
        {L"Mo&ve to Folder", 1679}, {L"&Delete", 478}, {L"Pre&vious Item", 1560}, {L"Ne&xt Item", 1561},
    };
    return list;
}

const std::vector<BuiltInPopup>& ExplorerMenuBar() {
    static const std::vector<BuiltInPopup> list = {
        {L"&File", 30002, {{L"&Open", 2507}, {L"&Print...", 4}, {L"E&xit", 752}}},
        {L"&Edit", 30003, {{L"&Undo", 128}, {L"Cu&t", 21}, {L"&Copy", 19}, {L"&Paste", 22}}},
        {L"&View", 30004, {{L"Fold&er List", 1806}, {L"Reading Pa&ne", 5530}}},
        {L"&Go", 30408, {{L"&Inbox", 5591}, {L"&Calendar", 5590}}, 10},
        {L"&Tools", 30007, {{L"&Find", 5592}, {L"&Options...", 522}}},
        {L"&Actions", 30131, {{L"New &Mail Message", 1757}, {L"&Reply", 354}, {L"Reply to A&ll", 355},
                              {L"For&ward", 356}}},
        {L"&Help", 30010, {{L"Microsoft Outlook &Help", 984}, {L"&About Microsoft Outlook", 927}}},
    };
    return list;
}

const std::vector<BuiltInPopup>& InspectorMenuBar() {
    static const std::vector<BuiltInPopup> list = {
        {L"&File", 30002, {{L"&Save", 3}, {L"&Print...", 4}, {L"&Close", 106}}},
        {L"&Edit", 30003, {{L"&Undo", 128}, {L"&Copy", 19}}},
        {L"&View", 30004, {{L"&Previous", 1560}, {L"&Next", 1561}}},
        {L"&Insert", 30005, {{L"&File...", 1079}}},
        {L"F&ormat", 30006, {{L"&Plain Text", 5565}}},
        {L"&Tools", 30007, {{L"&Spelling...", 2}}},
        {L"&Actions", 30131, {{L"&Reply", 354}, {L"Reply to A&ll", 355}, {L"For&ward", 356}}},
        {L"&Help", 30010, {{L"Microsoft Outlook &Help", 984}}},
    };
    return list;
}

// The commands of the item context menu; none of them is among the controls that mark another
// context menu (7887, 1747, 1880, 1878, 1746, 1917, 1916, 2990).
const std::vector<BuiltIn>& ItemContextMenu() {
    static const std::vector<BuiltIn> list = {
        {L"&Open", 2507}, {L"&Print", 4}, {L"&Reply", 354}, {L"Reply to A&ll", 355}, {L"For&ward", 356},
        {L"Follow &Up", 1678}, {L"&Delete", 478}, {L"Mo&ve to Folder...", 1679},
    };
    return list;
}

void AddButtons(SimCommandBar* bar, const std::vector<BuiltIn>& list, int major) {
    for (const auto& b : list) {
        if (major >= b.minVersion) bar->Controls()->Append(mso::ControlButton, b.id, true, b.caption);
    }
}

void AddMenuBar(SimCommandBars* bars, const std::vector<BuiltInPopup>& list, int major) {
    auto* bar = bars->AddBar(L"Menu Bar", mso::BarTypeMenuBar);
    for (const auto& p : list) {
        if (major < p.minVersion) continue;
        auto* popup = bar->Controls()->Append(mso::ControlPopup, p.id, true, p.caption);
        AddButtons(popup->DropDown(), p.items, major);
    }
}

// The caption a built-in id has on some built-in bar, for Add with that id.
std::wstring BuiltInCaption(int id) {
    auto find = [id](const std::vector<BuiltIn>& list) -> const wchar_t* {
        for (const auto& b : list) {
            if (b.id == id) return b.caption;
        }
        return nullptr;
    };
    for (const auto* list : {&ExplorerStandard(), &InspectorStandard(), &ItemContextMenu()}) {
        if (const wchar_t* c = find(*list)) return c;
    }
    for (const auto* menus : {&ExplorerMenuBar(), &InspectorMenuBar()}) {
        for (const auto& p : *menus) {
            if (p.id == id) return p.caption;
            if (const wchar_t* c = find(p.items)) return c;
        }
    }
    return {};
}

bool HasHostBars(SimObject* window, int major) {
    if (dynamic_cast<SimExplorer*>(window)) return major < 14;
    if (dynamic_cast<SimInspector*>(window)) return major < 12;
    return false;
}

// The window's bars, made on first use (empty on versions without add-in-visible bars).
SimCommandBars* BarsFor(SimObject* window) {
    if (!window) return nullptr;
    if (auto* made = dynamic_cast<SimCommandBars*>(window->Link(kBarsLink))) return made;
    const bool explorer = dynamic_cast<SimExplorer*>(window) != nullptr;
    if (!explorer && !dynamic_cast<SimInspector*>(window)) return nullptr;
    if (window->Vanished()) return nullptr;
    SimOutlook& sim = window->Sim();
    const int major = MajorVersion(sim);
    auto* bars = sim.Make<SimCommandBars>(window);
    // An explorer's bars go with it; an inspector's outlive the window.
    window->SetLink(kBarsLink, bars, explorer);
    if (!HasHostBars(window, major)) return bars;
    AddMenuBar(bars, explorer ? ExplorerMenuBar() : InspectorMenuBar(), major);
    AddButtons(bars->AddBar(L"Standard", mso::BarTypeNormal), explorer ? ExplorerStandard() : InspectorStandard(),
               major);
    if (explorer && (major == 10 || major == 11)) {
        auto* context = bars->AddBar(kContextMenu, mso::BarTypePopup, mso::BarNoCustomize);
        context->SetVisible(false);
        AddButtons(context, ItemContextMenu(), major);
    }
    return bars;
}

// --- Member helpers ------------------------------------------------------------------------

bool Omitted(const Args& a, std::size_t i) { return i >= a.size() || a[i].IsEmptyOrMissing(); }

std::wstring WithoutAmpersands(std::wstring_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&') {
            if (i + 1 < text.size() && text[i + 1] == L'&') {
                out += L'&';
                ++i;
            }
            continue;
        }
        out += text[i];
    }
    return out;
}

bool CaptionMatches(const std::wstring& caption, std::wstring_view wanted) {
    return EqualsNoCase(caption, wanted) || EqualsNoCase(WithoutAmpersands(caption), wanted);
}

struct FindCriteria {
    bool anyType = true;
    int type = 0;
    bool anyId = true;
    int id = 0;
    bool anyTag = true;
    std::wstring tag;
    bool visibleOnly = false;
    bool recursive = false;
};

FindCriteria CriteriaOf(const Args& a) {
    FindCriteria c;
    if (!Omitted(a, 0)) {
        c.anyType = false;
        c.type = a[0].AsInt();
    }
    if (!Omitted(a, 1)) {
        c.anyId = false;
        c.id = a[1].AsInt();
    }
    if (!Omitted(a, 2)) {
        c.anyTag = false;
        c.tag = a[2].AsString();
    }
    if (!Omitted(a, 3)) c.visibleOnly = a[3].AsBool();
    if (!Omitted(a, 4)) c.recursive = a[4].AsBool();
    return c;
}

SimCommandBarControl* FindIn(const SimCommandBarControls* controls, const FindCriteria& c) {
    if (!controls) return nullptr;
    for (auto* control : controls->List()) {
        const bool match = (c.anyType || control->ControlType() == c.type) && (c.anyId || control->Id() == c.id) &&
                           (c.anyTag || control->tag == c.tag) && (!c.visibleOnly || control->visible);
        if (match) return control;
        if (c.recursive && control->DropDown()) {
            if (auto* found = FindIn(control->DropDown()->Controls(), c)) return found;
        }
    }
    return nullptr;
}

// A control property that counts its writes.
template <class Get, class Put>
void ControlProperty(SimType& t, std::wstring_view name, Get get, Put put) {
    t.Property(
        name, As<SimCommandBarControl>([get](SimCommandBarControl& c, Args&) { return Value(get(c)); }),
        PutAs<SimCommandBarControl>([put](SimCommandBarControl& c, const Value& v) {
            put(c, v);
            ++c.Sim().BarsState().controlWrites;
        }));
}

void CheckPictureVersion(const SimCommandBarControl& c) {
    if (MajorVersion(c.Sim()) < 10) Raise(brisko::err::NotSupported);
}

bool ValidStyle(int style) {
    switch (style) {
        case 0:
        case 1:
        case 2:
        case 3:
        case 7:
        case 11:
        case 14:
        case 15: return true;
        default: return false;
    }
}

void InstallControl(SimType& t, bool button) {
    t.Property(L"Application", [](SimObject& s, Args&) { return ValueOf(s.Sim().Application()); });
    ControlProperty(t, L"Caption", [](SimCommandBarControl& c) { return c.caption; },
                    [](SimCommandBarControl& c, const Value& v) { c.caption = v.AsString(); });
    ControlProperty(t, L"TooltipText", [](SimCommandBarControl& c) { return c.tooltip; },
                    [](SimCommandBarControl& c, const Value& v) { c.tooltip = v.AsString(); });
    ControlProperty(t, L"Tag", [](SimCommandBarControl& c) { return c.tag; },
                    [](SimCommandBarControl& c, const Value& v) { c.tag = v.AsString(); });
    ControlProperty(t, L"Parameter", [](SimCommandBarControl& c) { return c.parameter; },
                    [](SimCommandBarControl& c, const Value& v) { c.parameter = v.AsString(); });
    ControlProperty(t, L"OnAction", [](SimCommandBarControl& c) { return c.onAction; },
                    [](SimCommandBarControl& c, const Value& v) { c.onAction = v.AsString(); });
    ControlProperty(t, L"Visible", [](SimCommandBarControl& c) { return c.visible; },
                    [](SimCommandBarControl& c, const Value& v) { c.visible = v.AsBool(); });
    ControlProperty(t, L"Enabled", [](SimCommandBarControl& c) { return c.enabled; },
                    [](SimCommandBarControl& c, const Value& v) { c.enabled = v.AsBool(); });
    ControlProperty(t, L"BeginGroup", [](SimCommandBarControl& c) { return c.beginGroup; },
                    [](SimCommandBarControl& c, const Value& v) { c.beginGroup = v.AsBool(); });
    t.Property(L"Index", As<SimCommandBarControl>([](SimCommandBarControl& c, Args&) { return Value(c.Index()); }));
    t.Property(L"Id", As<SimCommandBarControl>([](SimCommandBarControl& c, Args&) { return Value(c.Id()); }));
    t.Property(L"Type",
               As<SimCommandBarControl>([](SimCommandBarControl& c, Args&) { return Value(c.ControlType()); }));
    t.Property(L"BuiltIn",
               As<SimCommandBarControl>([](SimCommandBarControl& c, Args&) { return Value(c.BuiltIn()); }));
    t.Property(L"Parent", As<SimCommandBarControl>([](SimCommandBarControl& c, Args&) { return ValueOf(c.Bar()); }));
    t.Method(
        L"Delete",
        As<SimCommandBarControl>([](SimCommandBarControl& c, Args& a) {
            if (!Omitted(a, 0)) (void)a[0].AsBool();
            if (c.Owner()) c.Owner()->Remove(&c);
            c.Sim().Vanish(&c);
            return Value();
        }),
        0, 1);
    if (button) {
        t.SetHasEvents(true);
        ControlProperty(t, L"FaceId", [](SimCommandBarControl& c) { return c.faceId; },
                        [](SimCommandBarControl& c, const Value& v) { c.faceId = v.AsInt(); });
        ControlProperty(t, L"Style", [](SimCommandBarControl& c) { return c.style; },
                        [](SimCommandBarControl& c, const Value& v) {
                            const int style = v.AsInt();
                            if (!ValidStyle(style)) Raise(brisko::err::InvalidCall);
                            c.style = style;
                        });
        for (const bool isMask : {false, true}) {
            t.Property(
                isMask ? L"Mask" : L"Picture",
                As<SimCommandBarControl>([isMask](SimCommandBarControl& c, Args&) {
                    CheckPictureVersion(c);
                    return Value(isMask ? c.mask : c.picture);
                }),
                PutAs<SimCommandBarControl>([isMask](SimCommandBarControl& c, const Value& v) {
                    CheckPictureVersion(c);
                    ObjectPtr picture = v.AsObject();
                    if (!picture) Raise(brisko::err::InvalidCall);
                    (isMask ? c.mask : c.picture) = std::move(picture);
                    ++c.Sim().BarsState().controlWrites;
                }));
        }
    } else {
        t.Property(L"Controls", As<SimCommandBarControl>([](SimCommandBarControl& c, Args&) {
                       return ValueOf(c.DropDown()->Controls());
                   }));
        t.Property(L"CommandBar",
                   As<SimCommandBarControl>([](SimCommandBarControl& c, Args&) { return ValueOf(c.DropDown()); }));
    }
}

void InstallBars(SimOutlook& sim) {
    auto& t = sim.Type(L"CommandBars");
    t.SetHasEvents(true);
    t.Property(L"Application", [](SimObject& s, Args&) { return ValueOf(s.Sim().Application()); });
    t.Property(L"Parent", As<SimCommandBars>([](SimCommandBars& b, Args&) { return ValueOf(b.Window()); }));
    t.Property(L"Count", As<SimCommandBars>([](SimCommandBars& b, Args&) {
                   return Value(static_cast<std::int32_t>(b.Bars().size()));
               }));
    t.Method(
        L"Item",
        As<SimCommandBars>([](SimCommandBars& b, Args& a) {
            if (a[0].type() == VarType::String) {
                auto* bar = b.Find(a[0].AsString());
                if (!bar) Raise(brisko::err::InvalidCall);
                return ValueOf(bar);
            }
            const std::int32_t i = a[0].AsInt();
            if (i < 1 || static_cast<std::size_t>(i) > b.Bars().size()) Raise(brisko::err::InvalidCall);
            return ValueOf(b.Bars()[static_cast<std::size_t>(i - 1)]);
        }),
        1, 1);
    t.Property(L"ActiveMenuBar", As<SimCommandBars>([](SimCommandBars& b, Args&) {
                   for (auto* bar : b.Bars()) {
                       if (bar->BarType() == mso::BarTypeMenuBar) return ValueOf(bar);
                   }
                   return ValueOf(nullptr);
               }));
    t.Method(
        L"FindControl",
        As<SimCommandBars>([](SimCommandBars& b, Args& a) {
            FindCriteria c = CriteriaOf(a);
            c.recursive = true;
            for (auto* bar : b.Bars()) {
                if (auto* found = FindIn(bar->Controls(), c)) return ValueOf(found);
            }
            return ValueOf(nullptr);
        }),
        0, 4);

    auto& bar = sim.Type(L"CommandBar");
    bar.Property(L"Application", [](SimObject& s, Args&) { return ValueOf(s.Sim().Application()); });
    bar.Property(L"Name", As<SimCommandBar>([](SimCommandBar& b, Args&) { return Value(b.Name()); }));
    bar.Property(L"NameLocal", As<SimCommandBar>([](SimCommandBar& b, Args&) { return Value(b.Name()); }));
    bar.Property(L"Type", As<SimCommandBar>([](SimCommandBar& b, Args&) { return Value(b.BarType()); }));
    bar.Property(L"BuiltIn", As<SimCommandBar>([](SimCommandBar&, Args&) { return Value(true); }));
    bar.Property(L"Index", As<SimCommandBar>([](SimCommandBar& b, Args&) { return Value(b.Index()); }));
    bar.Property(L"Controls", As<SimCommandBar>([](SimCommandBar& b, Args&) { return ValueOf(b.Controls()); }));
    bar.Property(L"Parent", As<SimCommandBar>([](SimCommandBar& b, Args&) -> Value {
                     if (b.PopupControl()) return ValueOf(b.PopupControl());
                     if (b.Owner()) return ValueOf(b.Owner());
                     return ValueOf(b.Sim().Application());
                 }));
    bar.Property(
        L"Protection", As<SimCommandBar>([](SimCommandBar& b, Args&) { return Value(b.Protection()); }),
        PutAs<SimCommandBar>([](SimCommandBar& b, const Value& v) {
            const std::int32_t p = v.AsInt();
            if (p < 0 || p > 127) Raise(brisko::err::InvalidCall);
            b.SetProtection(p);
        }));
    bar.Property(
        L"Visible", As<SimCommandBar>([](SimCommandBar& b, Args&) { return Value(b.Visible()); }),
        PutAs<SimCommandBar>([](SimCommandBar& b, const Value& v) { b.SetVisible(v.AsBool()); }));
    bar.Method(
        L"FindControl",
        As<SimCommandBar>([](SimCommandBar& b, Args& a) { return ValueOf(FindIn(b.Controls(), CriteriaOf(a))); }), 0,
        5);

    auto& controls = sim.Type(L"CommandBarControls");
    controls.Property(L"Application", [](SimObject& s, Args&) { return ValueOf(s.Sim().Application()); });
    controls.Property(L"Parent",
                      As<SimCommandBarControls>([](SimCommandBarControls& c, Args&) { return ValueOf(c.Bar()); }));
    controls.Property(L"Count", As<SimCommandBarControls>([](SimCommandBarControls& c, Args&) {
                          return Value(static_cast<std::int32_t>(c.List().size()));
                      }));
    controls.Method(
        L"Item",
        As<SimCommandBarControls>([](SimCommandBarControls& c, Args& a) {
            if (a[0].type() == VarType::String) {
                const std::wstring wanted = a[0].AsString();
                for (auto* control : c.List()) {
                    if (CaptionMatches(control->caption, wanted)) return ValueOf(control);
                }
                Raise(brisko::err::InvalidCall);
            }
            const std::int32_t i = a[0].AsInt();
            if (i < 1 || static_cast<std::size_t>(i) > c.List().size()) Raise(brisko::err::InvalidCall);
            return ValueOf(c.List()[static_cast<std::size_t>(i - 1)]);
        }),
        1, 1);
    controls.Method(
        L"Add",
        As<SimCommandBarControls>([](SimCommandBarControls& c, Args& a) {
            const int type = Omitted(a, 0) ? mso::ControlButton : a[0].AsInt();
            const int id = Omitted(a, 1) ? kCustomControlId : a[1].AsInt();
            std::wstring parameter = Omitted(a, 2) ? std::wstring() : a[2].AsString();
            const std::size_t count = c.List().size();
            std::size_t before = count + 1;
            if (!Omitted(a, 3)) {
                const std::int32_t b = a[3].AsInt();
                if (b < 1 || static_cast<std::size_t>(b) > count + 1) Raise(brisko::err::InvalidCall);
                before = static_cast<std::size_t>(b);
            }
            const bool temporary = Omitted(a, 4) ? false : a[4].AsBool();
            if (type != mso::ControlButton && type != mso::ControlPopup) Raise(brisko::err::InvalidCall);
            if (id < 1) Raise(brisko::err::InvalidCall);
            if (c.Bar()->NoCustomize())
                Raise(kProtectedBarError, L"Method 'Add' of object 'CommandBarControls' failed");
            auto* control = c.Insert(type, id, before, false, id == kCustomControlId ? L"" : BuiltInCaption(id));
            control->parameter = std::move(parameter);
            control->temporary = temporary;
            return ValueOf(control);
        }),
        0, 5);

    InstallControl(sim.Type(L"CommandBarButton"), true);
    InstallControl(sim.Type(L"CommandBarPopup"), false);
}

std::wstring Quoted(const std::wstring& s) { return L"\"" + s + L"\""; }

bool HoldsAddedControls(const SimCommandBarControls* controls) {
    if (!controls) return false;
    for (auto* c : controls->List()) {
        if (!c->BuiltIn()) return true;
        if (c->DropDown() && HoldsAddedControls(c->DropDown()->Controls())) return true;
    }
    return false;
}

void ListTree(const SimCommandBarControls* controls, int depth, std::wstring& out) {
    if (!controls) return;
    const std::wstring indent(static_cast<std::size_t>(depth) * 2, L' ');
    for (auto* c : controls->List()) {
        if (!c->BuiltIn()) {
            out += indent + DescribeControl(c) + L"\n";
            if (c->DropDown()) ListTree(c->DropDown()->Controls(), depth + 1, out);
        } else if (c->DropDown() && HoldsAddedControls(c->DropDown()->Controls())) {
            out += indent + L"in " + Quoted(c->caption) + L" (" + std::to_wstring(c->Id()) + L")\n";
            ListTree(c->DropDown()->Controls(), depth + 1, out);
        }
    }
}

std::vector<std::wstring_view> SplitPath(std::wstring_view path) {
    std::vector<std::wstring_view> parts;
    std::size_t start = 0;
    while (true) {
        const auto slash = path.find(L'/', start);
        parts.push_back(path.substr(start, slash == std::wstring_view::npos ? std::wstring_view::npos : slash - start));
        if (slash == std::wstring_view::npos) break;
        start = slash + 1;
    }
    return parts;
}

bool SegmentMatches(const SimCommandBarControl* c, std::wstring_view segment) {
    if (segment.empty()) return false;
    return CaptionMatches(c->caption, segment) || EqualsNoCase(c->tooltip, segment) || EqualsNoCase(c->tag, segment);
}

}  // namespace

void InstallCommandBars(SimOutlook& sim) {
    InstallBars(sim);
    sim.Type(L"Explorer").Property(L"CommandBars", [](SimObject& s, Args&) { return ValueOf(BarsFor(&s)); });
    sim.Type(L"Inspector").Property(L"CommandBars", [](SimObject& s, Args&) { return ValueOf(BarsFor(&s)); });
}

// --- SimCommandBars ---------------------------------------------------------------------------

SimCommandBars::SimCommandBars(SimOutlook& sim, SimObject* window) : SimObject(sim, L"CommandBars"), window_(window) {}

SimCommandBar* SimCommandBars::Find(std::wstring_view name) const {
    for (auto* bar : bars_) {
        if (EqualsNoCase(bar->Name(), name)) return bar;
    }
    return nullptr;
}

SimCommandBar* SimCommandBars::AddBar(std::wstring name, int barType, int protection) {
    auto* bar = Sim().Make<SimCommandBar>(std::move(name), barType, this, nullptr);
    bar->SetProtection(protection);
    bars_.push_back(bar);
    return bar;
}

std::wstring SimCommandBars::Identity() const {
    return L"of " + (window_ ? window_->Identity() : std::wstring(L"?"));
}

void SimCommandBars::OnVanish() {
    for (auto* bar : bars_) Sim().Vanish(bar);
}

// --- SimCommandBar ----------------------------------------------------------------------------

SimCommandBar::SimCommandBar(SimOutlook& sim, std::wstring name, int barType, SimCommandBars* owner,
                             SimCommandBarControl* popup)
    : SimObject(sim, L"CommandBar"),
      name_(std::move(name)),
      barType_(barType),
      owner_(owner),
      popup_(popup),
      controls_(sim.Make<SimCommandBarControls>(this)) {}

SimCommandBar* SimCommandBar::TopBar() {
    SimCommandBar* bar = this;
    while (bar->popup_ && bar->popup_->Bar()) bar = bar->popup_->Bar();
    return bar;
}

bool SimCommandBar::NoCustomize() {
    for (SimCommandBar* bar = this; bar; bar = bar->popup_ ? bar->popup_->Bar() : nullptr) {
        if (bar->protection_ & mso::BarNoCustomize) return true;
    }
    return false;
}

int SimCommandBar::Index() const {
    if (!owner_) return 0;
    const auto& bars = owner_->Bars();
    const auto it = std::find(bars.begin(), bars.end(), this);
    return it == bars.end() ? 0 : static_cast<int>(it - bars.begin()) + 1;
}

std::wstring SimCommandBar::Identity() const {
    if (popup_) return L"drop-down of " + popup_->Identity();
    return L"\"" + name_ + L"\"" + (owner_ && owner_->Window() ? L" of " + owner_->Window()->Identity() : L"");
}

void SimCommandBar::OnVanish() {
    Sim().Vanish(controls_);
    for (auto* c : controls_->List()) Sim().Vanish(c);
}

// --- SimCommandBarControls --------------------------------------------------------------------

SimCommandBarControl* SimCommandBarControls::Insert(int type, int id, std::size_t position, bool builtIn,
                                                    std::wstring caption) {
    auto* control = Sim().Make<SimCommandBarControl>(this, type, id, builtIn);
    control->caption = std::move(caption);
    const std::size_t at = std::clamp<std::size_t>(position, 1, list_.size() + 1) - 1;
    list_.insert(list_.begin() + static_cast<std::ptrdiff_t>(at), control);
    return control;
}

SimCommandBarControl* SimCommandBarControls::Append(int type, int id, bool builtIn, std::wstring caption) {
    return Insert(type, id, list_.size() + 1, builtIn, std::move(caption));
}

void SimCommandBarControls::Remove(SimCommandBarControl* control) { std::erase(list_, control); }

int SimCommandBarControls::IndexOf(const SimCommandBarControl* control) const {
    const auto it = std::find(list_.begin(), list_.end(), control);
    return it == list_.end() ? 0 : static_cast<int>(it - list_.begin()) + 1;
}

// --- SimCommandBarControl ---------------------------------------------------------------------

SimCommandBarControl::SimCommandBarControl(SimOutlook& sim, SimCommandBarControls* owner, int type, int id,
                                           bool builtIn)
    : SimObject(sim, type == mso::ControlPopup ? L"CommandBarPopup" : L"CommandBarButton"),
      owner_(owner),
      type_(type),
      id_(id),
      builtIn_(builtIn) {
    if (type == mso::ControlPopup) dropDown_ = sim.Make<SimCommandBar>(L"", mso::BarTypePopup, nullptr, this);
}

std::vector<SimCommandBarControl*> SimCommandBarControl::Ancestors() const {
    std::vector<SimCommandBarControl*> above;
    for (SimCommandBar* bar = Bar(); bar && bar->PopupControl(); bar = bar->PopupControl()->Bar()) {
        above.push_back(bar->PopupControl());
    }
    std::reverse(above.begin(), above.end());
    return above;
}

std::wstring SimCommandBarControl::Identity() const {
    std::wstring text = L"\"" + caption + L"\"";
    if (!tooltip.empty() && caption.empty()) text = L"tooltip \"" + tooltip + L"\"";
    if (id_ != kCustomControlId) text += L" (" + std::to_wstring(id_) + L")";
    return text;
}

void SimCommandBarControl::OnVanish() {
    picture.reset();
    mask.reset();
    if (dropDown_) Sim().Vanish(dropDown_);
}

// --- Driver API -------------------------------------------------------------------------------

SimCommandBars* CommandBarsOf(SimObject* window) {
    if (!window) return nullptr;
    auto* bars = BarsFor(window);
    if (!bars) return nullptr;
    // Made on a version without add-in-visible bars: none to show.
    if (bars->Bars().empty() && (!window->Attached() || !HasHostBars(window, MajorVersion(window->Sim()))))
        return nullptr;
    return bars;
}

SimCommandBars* ExistingCommandBarsOf(SimObject* window) {
    return window ? dynamic_cast<SimCommandBars*>(window->Link(kBarsLink)) : nullptr;
}

void UpdateBars(SimObject* window) {
    auto* bars = ExistingCommandBarsOf(window);
    if (bars && !bars->Vanished()) bars->RaiseEvent(L"OnUpdate");
}

SimCommandBarControl* FindControlInBar(SimCommandBar* bar, std::wstring_view path) {
    if (!bar) return nullptr;
    const SimCommandBarControls* controls = bar->Controls();
    SimCommandBarControl* found = nullptr;
    for (const auto segment : SplitPath(path)) {
        if (!controls) return nullptr;
        found = nullptr;
        for (auto* c : controls->List()) {
            if (SegmentMatches(c, segment)) {
                found = c;
                break;
            }
        }
        if (!found) return nullptr;
        controls = found->DropDown() ? found->DropDown()->Controls() : nullptr;
    }
    return found;
}

SimCommandBarControl* FindControlByPath(SimObject* window, std::wstring_view bar, std::wstring_view path) {
    if (!window) return nullptr;
    SimCommandBar* target = nullptr;
    if (auto* bars = CommandBarsOf(window)) target = bars->Find(bar);
    if (!target && window->Attached() && EqualsNoCase(bar, kContextMenu) && dynamic_cast<SimExplorer*>(window))
        target = ShownItemContextMenu(window->Sim());
    return FindControlInBar(target, path);
}

bool Press(SimCommandBarControl* control) {
    if (!control || control->Vanished() || !control->visible || !control->enabled) return false;
    for (auto* popup : control->Ancestors()) {
        if (popup->Vanished() || !popup->visible || !popup->enabled) return false;
    }
    // Nobody clicks in a window that is closed (an inspector's bars outlive it).
    SimCommandBar* top = control->Bar() ? control->Bar()->TopBar() : nullptr;
    if (!top || top->Vanished()) return false;
    if (top->Owner() && top->Owner()->Window() && top->Owner()->Window()->Vanished()) return false;
    if (control->IsPopup()) return true;
    Args args{ValueOf(control), false};
    control->RaiseEvent(L"Click", args);
    return true;
}

std::wstring DescribeControl(const SimCommandBarControl* c) {
    if (!c) return {};
    std::wstring line = (c->IsPopup() ? L"popup " : L"button ") + Quoted(c->caption) + L" tooltip " + Quoted(c->tooltip);
    if (!c->IsPopup()) {
        line += c->picture ? std::wstring(L" picture") : L" face " + std::to_wstring(c->faceId);
        line += L" style " + std::to_wstring(c->style);
    }
    auto yesNo = [](bool b) { return b ? L"yes" : L"no"; };
    line += std::wstring(L" visible ") + yesNo(c->visible) + L" enabled " + yesNo(c->enabled);
    line += L" parameter " + Quoted(c->parameter) + L" tag " + Quoted(c->tag);
    line += std::wstring(L" group ") + yesNo(c->beginGroup);
    return line;
}

std::wstring ListAddinControls(SimCommandBar* bar) {
    if (!bar) return {};
    std::wstring out = L"bar " + Quoted(bar->Name()) + L"\n";
    ListTree(bar->Controls(), 1, out);
    return out;
}

std::wstring ListAddinControls(SimObject* window) {
    auto* bars = CommandBarsOf(window);
    if (!bars) return {};
    std::wstring out;
    for (auto* bar : bars->Bars()) out += ListAddinControls(bar);
    return out;
}

std::uint64_t ControlWrites(const SimOutlook& sim) { return sim.ControlWrites(); }

SimCommandBarControl* AddBuiltInControl(SimCommandBar* bar, int type, int id, std::wstring caption) {
    if (!bar || bar->Vanished()) return nullptr;
    return bar->Controls()->Append(type, id, true, std::move(caption));
}

SimCommandBar* ShowItemContextMenu(SimExplorer* explorer) {
    if (!explorer || explorer->Vanished()) return nullptr;
    SimOutlook& sim = explorer->Sim();
    const int major = MajorVersion(sim);
    if (major < 10) return nullptr;
    if (major < 12) {
        auto* bars = CommandBarsOf(explorer);
        if (!bars) return nullptr;
        UpdateBars(explorer);
        if (bars->Vanished()) return nullptr;
        return bars->Find(kContextMenu);
    }
    CloseItemContextMenu(sim);
    auto* bar = sim.Make<SimCommandBar>(kContextMenu, mso::BarTypePopup, nullptr, nullptr);
    bar->SetVisible(false);
    AddButtons(bar, ItemContextMenu(), major);
    sim.BarsState().shownContextMenu = bar;
    auto* selection = sim.Make<SimSelection>(explorer, explorer->Selected());
    Args args{ValueOf(bar), ValueOf(selection)};
    sim.Application()->RaiseEvent(L"ItemContextMenuDisplay", args);
    return bar->Vanished() ? nullptr : bar;
}

void CloseItemContextMenu(SimOutlook& sim) {
    SimCommandBar* bar = sim.BarsState().shownContextMenu;
    if (!bar) return;
    Args args{mso::ItemContextMenu};
    sim.Application()->RaiseEvent(L"ContextMenuClose", args);
    // A sink may have shown another one meanwhile; this one goes in any case.
    if (sim.BarsState().shownContextMenu == bar) sim.BarsState().shownContextMenu = nullptr;
    sim.Vanish(bar);
}

SimCommandBar* ShownItemContextMenu(const SimOutlook& sim) { return sim.BarsState().shownContextMenu; }

}  // namespace brisko::sim
