// GoogleTest output of late-bound values. Every test file of a program that compares Values
// includes it, so that all of them print the same way.
#pragma once

#include <ostream>

#include "automation/text.h"
#include "automation/value.h"

namespace brisko {

inline void PrintTo(const Value& v, std::ostream* os) {
    if (v.type() == VarType::Date) {
        *os << "Date " << ToUtf8(FormatDate(v.AsDate())) << " (" << v.AsDate().serial << ")";
    } else if (v.type() == VarType::String) {
        *os << "\"" << ToUtf8(v.AsString()) << "\"";
    } else {
        *os << ToUtf8(v.TypeName());
        if (v.IsNumeric()) *os << " " << v.AsDouble();
    }
}

}  // namespace brisko
