// The safe item library stand-in: the Safe items and the RDO session the add-in creates, working
// late bound over the host's object model (portable; the COM server and the in-memory class
// table make them).
#pragma once

#include <string_view>

#include "automation/object.h"

namespace brisko::redemption {

// The classes as the add-in names them.
inline constexpr std::wstring_view kSafeMailItem = L"Redemption.SafeMailItem";
inline constexpr std::wstring_view kSafeTaskItem = L"Redemption.SafeTaskItem";
inline constexpr std::wstring_view kSafeAppointmentItem = L"Redemption.SafeAppointmentItem";
inline constexpr std::wstring_view kRdoSessionClassId = L"{29AB7A12-B531-450E-8F7A-EA94C2F3C05F}";

// Error numbers of the library's own failures (the host's errors pass through unchanged).
namespace err {
// A Safe item used before its Item was set, an RDO session before its MAPIOBJECT.
inline constexpr std::int32_t NotBound = 91;
}  // namespace err

enum class SafeKind { Mail, Task, Appointment };

// A Safe item: Item (Put or PutRef the host item; Get), Body (the host item's plain-text body),
// Attachments (Add(Source, [Type], [Position], [DisplayName]): a host item source is attached
// through the host item's own Attachments.Add as an embedded item, olEmbeddeditem 5).
ObjectPtr MakeSafeItem(SafeKind kind);

// An RDO session: MAPIOBJECT (Put or PutRef the host namespace's MAPIOBJECT; the session finds
// the namespace through it), GetStoreFromID(storeID) -> store with GetDefaultFolder(kind) ->
// folder with EntryID; GetFolderFromID(entryID, [storeID]) -> folder; GetMessageFromID(entryID,
// [storeID]) -> message with Move(folder of this session) -> the moved message.
ObjectPtr MakeRdoSession();

// The object of a class named by ProgID or class id (without regard to case), nullptr for a
// name that is none of the four.
ObjectPtr MakeByName(std::wstring_view progIdOrClassId);

}  // namespace brisko::redemption
