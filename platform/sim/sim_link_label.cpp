#include "platform/sim/sim_link_label.h"

#include <algorithm>

#include "automation/error.h"

namespace brisko::sim {

SimLinkLabelView::SimLinkLabelView(SimLinkLabelViews& owner, std::uintptr_t parentWindow, LinkLabelEvents& events)
    : parent(parentWindow), owner_(owner), events_(events) {
    owner_.live_.push_back(this);
}

SimLinkLabelView::~SimLinkLabelView() { std::erase(owner_.live_, this); }

bool SimLinkLabelView::OverLabel() const {
    return visible && cursor.x >= label.left && cursor.x < label.left + label.width && cursor.y >= label.top &&
           cursor.y < label.top + label.height;
}

void SimLinkLabelView::MoveMouse(TwipsPoint to) {
    cursor = to;
    if (OverLabel() && enabled) events_.LabelMouseMove(pressed, cursor);
}

void SimLinkLabelView::Press(int button) {
    if (!OverLabel() || !enabled) return;
    pressed = button;
    events_.LabelMouseDown(button, cursor);
}

void SimLinkLabelView::Release(int button) {
    const bool click = pressed == button && OverLabel() && enabled;
    pressed = 0;
    if (click) events_.LabelClick();
}

bool SimLinkLabelView::Tick() {
    if (!timerRunning) return false;
    events_.TimerTick();
    return true;
}

TwipsSize SimLinkLabelView::MeasureCaption() {
    std::size_t longest = 0;
    std::size_t lines = 1;
    std::size_t current = 0;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == L'\n') {
            ++lines;
            current = 0;
        } else if (caption[i] == L'\r' && i + 1 < caption.size() && caption[i + 1] == L'\n') {
            continue;
        } else {
            longest = std::max(longest, ++current);
        }
    }
    const int charWidth = bold ? kBoldCharWidthPx : kCharWidthPx;
    return {static_cast<int>(longest) * charWidth * kTwipsPerPixel,
            static_cast<int>(lines) * kLineHeightPx * kTwipsPerPixel};
}

void SimLinkLabelView::SetControlRect(const TwipsRect& rect) {
    const bool resized = rect.width != control.width || rect.height != control.height;
    control = rect;
    if (resized) events_.Resized();
}

void SimLinkLabelView::StartTimer() {
    ++timerStarts;
    if (failTimerStart) Raise(err::Overflow, L"Out of timers");
    timerRunning = true;
}

std::unique_ptr<LinkLabelView> SimLinkLabelViews::Create(std::uintptr_t parent, LinkLabelEvents& events) {
    if (failCreate) {
        failCreate = false;
        Raise(err::CantCreateObject);
    }
    ++created;
    return std::make_unique<SimLinkLabelView>(*this, parent, events);
}

}  // namespace brisko::sim
