#include "kelvane_testing.h"

#include <cwctype>
#include <stdexcept>

namespace kelvane_test {

Library& Library::Get() {
  static Library library;
  return library;
}

Library::Library() {
  module_ = LoadLibraryW(L"Kelvane.dll");
  if (!module_) throw std::runtime_error("Kelvane.dll not found beside the test program");
  auto bind = [this](auto& fn, const char* name) {
    fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(
        reinterpret_cast<void*>(GetProcAddress(module_, name)));
    if (!fn) throw std::runtime_error(std::string("export missing: ") + name);
  };
  bind(get_class_object_, "DllGetClassObject");
  bind(can_unload_now_, "DllCanUnloadNow");
  bind(register_, "DllRegisterServer");
  bind(unregister_, "DllUnregisterServer");
}

std::wstring Library::Path() const {
  wchar_t buffer[MAX_PATH];
  DWORD n = GetModuleFileNameW(module_, buffer, MAX_PATH);
  return std::wstring(buffer, n);
}

std::wstring GuidString(REFGUID guid) {
  wchar_t buffer[40];
  StringFromGUID2(guid, buffer, 40);
  return buffer;
}

std::optional<std::wstring> ReadString(HKEY root, const std::wstring& key, const wchar_t* name) {
  wchar_t buffer[1024];
  DWORD size = sizeof(buffer);
  DWORD type = 0;
  if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, &type, buffer, &size) != ERROR_SUCCESS)
    return std::nullopt;
  return std::wstring(buffer);
}

bool KeyExists(HKEY root, const std::wstring& key) {
  HKEY h = nullptr;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
  RegCloseKey(h);
  return true;
}

std::string Narrow(const std::wstring& s) {
  std::string out;
  for (wchar_t c : s) out += c < 128 ? static_cast<char>(c) : '?';
  return out;
}

std::wstring Lower(std::wstring s) {
  for (wchar_t& c : s) c = static_cast<wchar_t>(std::towlower(c));
  return s;
}

void PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

namespace {
SentMessages* g_recorder = nullptr;
}

SentMessages::SentMessages() {
  g_recorder = this;
  hook_ = SetWindowsHookExW(WH_CALLWNDPROC, &SentMessages::Hook, nullptr, GetCurrentThreadId());
  if (!hook_) throw std::runtime_error("SetWindowsHookEx failed");
}

SentMessages::~SentMessages() {
  UnhookWindowsHookEx(hook_);
  g_recorder = nullptr;
}

LRESULT CALLBACK SentMessages::Hook(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HC_ACTION && g_recorder) {
    const auto* cwp = reinterpret_cast<const CWPSTRUCT*>(lparam);
    UINT notify = 0;
    if (cwp->message == WM_NOTIFY && cwp->lParam) notify = reinterpret_cast<const NMHDR*>(cwp->lParam)->code;
    try {
      g_recorder->sent_.push_back(Sent{cwp->hwnd, cwp->message, cwp->wParam, cwp->lParam, notify});
    } catch (...) {
    }
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

std::vector<SentMessages::Sent> SentMessages::Of(UINT message) const {
  std::vector<Sent> out;
  for (const Sent& s : sent_)
    if (s.message == message) out.push_back(s);
  return out;
}

int SentMessages::CountNotify(HWND to, UINT code) const {
  int n = 0;
  for (const Sent& s : sent_)
    if (s.message == WM_NOTIFY && s.hwnd == to && s.notify_code == code) ++n;
  return n;
}

}  // namespace kelvane_test
