// CreateObject through COM: a class by ProgID or class id, reached late bound over IDispatch.
#pragma once

#include "platform/ui.h"

namespace brisko::win {

// CLSIDFromProgID or CLSIDFromString, CoCreateInstance (in-process or local server) for
// IDispatch, and a DispatchObject over it; a class registered for the user only is found and
// created through user_classes.h where COM does not see it. Any failure raises 429 with a description that names
// the class and the reason. COM must be initialised on the calling thread.
class WinObjectFactory : public ObjectFactory {
public:
    ObjectPtr CreateObject(std::wstring_view progIdOrClassId) override;
};

}  // namespace brisko::win
