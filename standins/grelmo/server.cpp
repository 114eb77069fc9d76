// Grelmo.dll: the context-menu events library stand-in as an in-process COM server. The object
// is the portable core's, exposed through IDispatch with a connection point for
// _ContextMenuEventsEvents by the automation layer; registration writes the ProgID and the class
// id (ThreadingModel Apartment) and never takes over a class that another library's file serves.
#include <windows.h>

#include "automation/win/event_table.h"
#include "standins/grelmo/context_menu_events.h"
#include "standins/inproc/inproc_server.h"

namespace brisko::grelmo {
namespace {

// The object as COM clients reach it: Init by DISPID 1 or by name, the events through the
// connection point of _ContextMenuEventsEvents (its default source).
win::DispatchOptions ExposeOptions() {
    win::DispatchOptions options;
    options.sources = {win::kContextMenuEventsEvents};
    options.members = {{std::wstring(kInit), 1}};
    return options;
}

const inproc::ClassEntry kClasses[] = {
    {L"{ABB46BC5-EF88-4498-8CEB-E5894FF2C795}", kContextMenuEvents, L"Context-menu events (Brisko stand-in)",
     &MakeContextMenuEvents, ExposeOptions()},
};

}  // namespace
}  // namespace brisko::grelmo

using brisko::grelmo::kClasses;
namespace inproc = brisko::inproc;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    return inproc::OnDllMain(instance, reason);
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    return inproc::GetClassObject(kClasses, clsid, riid, ppv);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return inproc::CanUnloadNow(); }

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() { return inproc::RegisterServer(kClasses); }

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() { return inproc::UnregisterServer(kClasses); }

extern "C" HRESULT STDAPICALLTYPE DllInstall(BOOL install, PCWSTR commandLine) {
    return inproc::Install(kClasses, install, commandLine);
}
