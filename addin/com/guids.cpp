// The GUIDs of the add-in's type library, defined once.
#include <windows.h>
#include <initguid.h>

#include "brisko_idl.h"
