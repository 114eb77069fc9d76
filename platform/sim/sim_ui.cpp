#include "platform/sim/sim_ui.h"

#include "automation/error.h"
#include "automation/text.h"

namespace brisko::sim {

int SimMessageBoxes::DefaultAnswer(std::uint32_t style) {
    static constexpr int kButtons[][3] = {
        {kIdOk, kIdOk, kIdOk},           // MB_OK
        {kIdOk, kIdCancel, kIdCancel},   // MB_OKCANCEL
        {3, 4, 5},                       // MB_ABORTRETRYIGNORE
        {kIdYes, kIdNo, kIdCancel},      // MB_YESNOCANCEL
        {kIdYes, kIdNo, kIdNo},          // MB_YESNO
        {4, kIdCancel, kIdCancel},       // MB_RETRYCANCEL
    };
    const std::uint32_t buttons = style & 0xF;
    const std::uint32_t def = (style >> 8) & 0xF;  // MB_DEFBUTTON1..3 = 0x000, 0x100, 0x200
    if (buttons > 5) return kIdOk;
    return kButtons[buttons][def > 2 ? 0 : def];
}

int SimMessageBoxes::Show(const std::wstring& text, std::uint32_t style, const std::wstring& caption) {
    Shown box{text, style, caption, 0, false};
    if (!answers_.empty()) {
        box.answer = answers_.front();
        answers_.pop_front();
        box.scripted = true;
    } else {
        box.answer = DefaultAnswer(style);
    }
    shown_.push_back(box);
    return box.answer;
}

void SimObjectFactory::Register(std::wstring name, Maker maker) { classes_[LowerCase(name)] = std::move(maker); }

void SimObjectFactory::Unregister(std::wstring_view name) { classes_.erase(LowerCase(name)); }

ObjectPtr SimObjectFactory::CreateObject(std::wstring_view progIdOrClassId) {
    requests_.emplace_back(progIdOrClassId);
    const auto it = classes_.find(LowerCase(progIdOrClassId));
    if (it == classes_.end() || !it->second) Raise(err::CantCreateObject);
    ObjectPtr object = it->second();
    if (!object) Raise(err::CantCreateObject);
    return object;
}

}  // namespace brisko::sim
