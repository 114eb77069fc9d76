// In-memory stand-ins for a form's date picker and editable drop-down combo box, answering the
// late-bound names the start/end editor uses. Lets raise the events a user's change raises too,
// as the real controls may, so the editor's update guard is exercised.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "automation/error.h"
#include "automation/object.h"
#include "automation/text.h"

namespace brisko::testing {

class TwinDatePicker : public Object {
public:
    Date value{};
    bool enabled = true;

    // The user picks a date.
    void UserPicks(Date date) {
        value = date;
        events.Raise(L"OnChange");
    }

    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override {
        if (EqualsNoCase(name, L"Value")) {
            if (kind == CallKind::Get) return value;
            value = args.at(0).AsDate();
            events.Raise(L"OnChange");
            return {};
        }
        if (EqualsNoCase(name, L"Enabled")) {
            if (kind == CallKind::Get) return enabled;
            enabled = args.at(0).AsBool();
            return {};
        }
        return Object::Invoke(name, kind, args);
    }
    EventConnection ConnectEvents(EventHandler handler) override { return events.Connect(std::move(handler)); }

    EventSource events;
};

class TwinComboBox : public Object {
public:
    struct Entry {
        std::wstring text;
        std::int32_t data = 0;
    };
    std::wstring text;
    std::vector<Entry> entries;
    std::int32_t listIndex = -1;
    bool enabled = true;
    std::wstring toolTipText;
    int focusCount = 0;

    // The user types a text (one Change), leaves the box (Validate), opens or picks from the list.
    void UserTypes(const std::wstring& typed) {
        text = typed;
        events.Raise(L"Change");
    }
    bool UserLeaves() {
        Args args{false};
        events.Raise(L"Validate", args);
        return args.at(0).AsBool();  // Cancel
    }
    void UserDropsDown() { events.Raise(L"DropDown"); }
    void UserPicks(std::int32_t index) {
        listIndex = index;
        text = entries.at(static_cast<std::size_t>(index)).text;
        events.Raise(L"Click");
    }

    std::vector<std::wstring> Texts() const {
        std::vector<std::wstring> out;
        for (const auto& e : entries) out.push_back(e.text);
        return out;
    }

    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override {
        const auto index = [&](std::size_t limit) {
            const std::int32_t i = args.at(0).AsInt();
            if (i < 0 || static_cast<std::size_t>(i) >= limit) Raise(err::InvalidCall);
            return static_cast<std::size_t>(i);
        };
        if (EqualsNoCase(name, L"Text")) {
            if (kind == CallKind::Get) return text;
            text = args.at(0).AsString();
            events.Raise(L"Change");
            return {};
        }
        if (EqualsNoCase(name, L"AddItem")) {
            std::size_t at = entries.size();
            if (args.size() > 1 && !args[1].IsEmptyOrMissing()) {
                const std::int32_t i = args[1].AsInt();
                if (i < 0 || static_cast<std::size_t>(i) > entries.size()) Raise(err::InvalidCall);
                at = static_cast<std::size_t>(i);
            }
            entries.insert(entries.begin() + static_cast<std::ptrdiff_t>(at), Entry{args.at(0).AsString(), 0});
            return {};
        }
        if (EqualsNoCase(name, L"RemoveItem")) {
            entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(index(entries.size())));
            return {};
        }
        if (EqualsNoCase(name, L"ListCount")) return static_cast<std::int32_t>(entries.size());
        if (EqualsNoCase(name, L"List")) return entries[index(entries.size())].text;
        if (EqualsNoCase(name, L"ItemData")) {
            auto& entry = entries[index(entries.size())];
            if (kind == CallKind::Get) return entry.data;
            entry.data = args.at(1).AsInt();
            return {};
        }
        if (EqualsNoCase(name, L"ListIndex")) {
            if (kind == CallKind::Get) return listIndex;
            listIndex = args.at(0).AsInt();
            return {};
        }
        if (EqualsNoCase(name, L"Clear")) {
            entries.clear();
            listIndex = -1;
            return {};
        }
        if (EqualsNoCase(name, L"Enabled")) {
            if (kind == CallKind::Get) return enabled;
            enabled = args.at(0).AsBool();
            return {};
        }
        if (EqualsNoCase(name, L"ToolTipText")) {
            if (kind == CallKind::Get) return toolTipText;
            toolTipText = args.at(0).AsString();
            return {};
        }
        if (EqualsNoCase(name, L"SetFocus")) {
            ++focusCount;
            return {};
        }
        return Object::Invoke(name, kind, args);
    }
    EventConnection ConnectEvents(EventHandler handler) override { return events.Connect(std::move(handler)); }

    EventSource events;
};

}  // namespace brisko::testing
