// Helpers shared by the member tables of the object model's families (objects.cpp, folders.cpp,
// items.cpp, windows.cpp). Internal to simhost.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "automation/error.h"
#include "simhost/objects.h"

namespace brisko::sim::tables {

// An optional argument that was not given: left off the end, Missing, or (as some callers pass it) Empty.
inline bool Omitted(const Args& a, std::size_t i) { return i >= a.size() || a[i].IsEmptyOrMissing(); }

// A 1-based position into a list of count elements: 13 for a non-number, 9 when out of range.
inline std::size_t Position(const Value& index, std::size_t count) {
    const std::int32_t i = index.AsInt();
    if (i < 1 || static_cast<std::size_t>(i) > count) Raise(brisko::err::SubscriptOutOfRange);
    return static_cast<std::size_t>(i - 1);
}

template <class T>
Value ValueAt(const std::vector<T*>& list, const Value& index) {
    return ValueOf(list[Position(index, list.size())]);
}

// Adds Application, Session, Class and Parent.
inline void Common(SimType& t, int objectClass, MemberFn parent) {
    t.Property(L"Application", [](SimObject& s, Args&) { return ValueOf(s.Sim().Application()); });
    t.Property(L"Session", [](SimObject& s, Args&) { return ValueOf(s.Sim().Session()); });
    t.Constant(L"Class", objectClass);
    t.Property(L"Parent", std::move(parent));
}

inline Value ApplicationParent(SimObject& s, Args&) { return ValueOf(s.Sim().Application()); }

inline SimFolder* LiveFolderArg(const Value& v) {
    auto* folder = SimArgAs<SimFolder>(v);
    if (!folder) Raise(brisko::err::InvalidCall);
    if (folder->Vanished()) RaiseNotFound();
    return folder;
}

template <class T>
void EraseValue(std::vector<T*>& list, const T* value) {
    std::erase(list, value);
}

inline std::wstring MessageClassOf(int itemType) {
    switch (itemType) {
        case ol::AppointmentItem: return L"IPM.Appointment";
        case ol::ContactItem: return L"IPM.Contact";
        case ol::TaskItem: return L"IPM.Task";
        case ol::PostItem: return L"IPM.Post";
        default: return L"IPM.Note";
    }
}

// The member tables of each family.
void InstallFolderTables(SimOutlook& sim);
void InstallItemTables(SimOutlook& sim);
void InstallWindowTables(SimOutlook& sim);

}  // namespace brisko::sim::tables
