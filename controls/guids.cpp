// Definitions of the type library's GUIDs (LIBID, CLSIDs, IIDs, DIIDs).
#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

#include <initguid.h>

#include "kelvane.h"
