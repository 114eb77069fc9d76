// The item context menu of Outlook 2007 and later, raised by the context-menu events library.
#include "addin/host/Connect.h"

namespace brisko {

void Connect::m_o2007events_OnItemContextMenuDisplay(const ObjectPtr&, const ObjectPtr&) noexcept {}
void Connect::m_o2007events_OnContextMenuClose(std::int32_t) noexcept {}

}  // namespace brisko
