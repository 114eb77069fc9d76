// Arguments of the image list's members, read as the common controls read them.
#pragma once

#include <cstddef>

#include "automation/object.h"

namespace brisko::image_list_args {

// An optional argument left out: Empty, or a missing argument's value.
inline bool Omitted(const Value& v) noexcept {
    switch (v.type()) {
        case VarType::Null:
        case VarType::Boolean:
        case VarType::Integer:
        case VarType::Double:
        case VarType::Date:
        case VarType::String:
        case VarType::Object:
        case VarType::Array:
            return false;
        default:
            return true;
    }
}

// Argument i, or Empty when the call has fewer.
inline Value Arg(const Args& args, std::size_t i) { return i < args.size() ? args[i] : Value(); }

}  // namespace brisko::image_list_args
