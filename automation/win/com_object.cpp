#include "automation/win/com_object.h"

#include <atomic>

namespace brisko::win {

namespace {
std::atomic<long> gLive{0};
}

long LiveComObjects() noexcept { return gLive.load(); }

LiveComObject::LiveComObject() noexcept { ++gLive; }

LiveComObject::~LiveComObject() { --gLive; }

}  // namespace brisko::win
