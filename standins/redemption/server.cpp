// RedemptionStandIn.dll: the stand-in's classes as an in-process COM server. Each object is the
// portable core's, exposed through IDispatch by the automation layer; registration writes the
// three Safe item ProgIDs and the RDO session's class id (ThreadingModel Apartment) and never
// takes over a class that another library's file serves.
#include <windows.h>

#include "standins/inproc/inproc_server.h"
#include "standins/redemption/safe_objects.h"

namespace brisko::redemption {
namespace {

// The Safe items' class ids are this library's own; the RDO session's is the one the add-in asks for.
const inproc::ClassEntry kClasses[] = {
    {L"{0A30DF6B-70D5-4A31-B65D-8C13B53A4561}", kSafeMailItem, L"Safe mail item (Brisko stand-in)",
     [] { return MakeSafeItem(SafeKind::Mail); }},
    {L"{E5815053-5513-4D9D-A571-CD61F71BD9DB}", kSafeTaskItem, L"Safe task item (Brisko stand-in)",
     [] { return MakeSafeItem(SafeKind::Task); }},
    {L"{940428CF-55A4-41FF-8AB6-4103E624E6F5}", kSafeAppointmentItem, L"Safe appointment item (Brisko stand-in)",
     [] { return MakeSafeItem(SafeKind::Appointment); }},
    {L"{29AB7A12-B531-450E-8F7A-EA94C2F3C05F}", {}, L"RDO session (Brisko stand-in)", &MakeRdoSession},
};

}  // namespace
}  // namespace brisko::redemption

using brisko::redemption::kClasses;
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
