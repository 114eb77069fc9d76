// Bookkeeping shared by the COM objects of this library.
#pragma once

namespace brisko::win {

// The COM objects of this library that are alive: exposed objects, event sinks, enumerators.
// Zero once every reference handed out was released (DllCanUnloadNow).
long LiveComObjects() noexcept;

// A member of each COM object of this library: counts it while it lives.
class LiveComObject {
public:
    LiveComObject() noexcept;
    ~LiveComObject();
    LiveComObject(const LiveComObject&) = delete;
    LiveComObject& operator=(const LiveComObject&) = delete;
};

}  // namespace brisko::win
