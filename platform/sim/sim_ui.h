// Message boxes and object creation, in memory.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/ui.h"

namespace brisko::sim {

// Answers are scripted ahead; every box shown is recorded. A box nobody scripted takes its
// default button (the style's MB_DEFBUTTONn of its buttons) and is marked so.
class SimMessageBoxes : public MessageBoxes {
public:
    struct Shown {
        std::wstring text;
        std::uint32_t style = 0;
        std::wstring caption;
        int answer = 0;
        bool scripted = false;  // false: the default button answered
    };

    void QueueAnswer(int answer) { answers_.push_back(answer); }
    void ClearAnswers() { answers_.clear(); }
    const std::vector<Shown>& shown() const noexcept { return shown_; }
    void ClearShown() { shown_.clear(); }

    int Show(const std::wstring& text, std::uint32_t style, const std::wstring& caption) override;

    // The button a style's default is: its MB_DEFBUTTONn among its buttons.
    static int DefaultAnswer(std::uint32_t style);

private:
    std::deque<int> answers_;
    std::vector<Shown> shown_;
};

// A table of classes by ProgID and class id (without regard to case).
class SimObjectFactory : public ObjectFactory {
public:
    using Maker = std::function<ObjectPtr()>;
    void Register(std::wstring name, Maker maker);
    void Unregister(std::wstring_view name);
    ObjectPtr CreateObject(std::wstring_view progIdOrClassId) override;
    // Names asked for, in order, whether or not they were created.
    const std::vector<std::wstring>& requests() const noexcept { return requests_; }

private:
    std::map<std::wstring, Maker> classes_;  // lower-cased name
    std::vector<std::wstring> requests_;
};

}  // namespace brisko::sim
