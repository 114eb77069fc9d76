// Shared helpers of the Kelvane tests, the screenshot and the benchmark: the
// library loaded from beside the program, registry reads, message pumping.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

#include <optional>
#include <string>
#include <vector>

#include "kelvane.h"
#include "olectl/com.h"

namespace kelvane_test {

using olectl::Bstr;
using olectl::ComPtr;
using olectl::Variant;

// Kelvane.dll as the test program loads it (once per process).
class Library {
 public:
  static Library& Get();
  HMODULE Module() const { return module_; }
  std::wstring Path() const;
  HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out) const { return get_class_object_(clsid, iid, out); }
  HRESULT CanUnloadNow() const { return can_unload_now_(); }
  HRESULT Register() const { return register_(); }
  HRESULT Unregister() const { return unregister_(); }
  // A new object of the class through its class factory.
  template <class T>
  HRESULT Create(REFCLSID clsid, ComPtr<T>& out, IUnknown* outer = nullptr) const {
    ComPtr<IClassFactory> factory;
    HRESULT hr = GetClassObject(clsid, IID_IClassFactory, factory.PutVoid());
    if (FAILED(hr)) return hr;
    return factory->CreateInstance(outer, __uuidof(T), out.PutVoid());
  }

 private:
  Library();
  HMODULE module_ = nullptr;
  HRESULT(STDAPICALLTYPE* get_class_object_)(REFCLSID, REFIID, void**) = nullptr;
  HRESULT(STDAPICALLTYPE* can_unload_now_)() = nullptr;
  HRESULT(STDAPICALLTYPE* register_)() = nullptr;
  HRESULT(STDAPICALLTYPE* unregister_)() = nullptr;
};

std::wstring GuidString(REFGUID guid);
// A string value (nullptr name: the default value), or nothing when the key
// or the value is missing.
std::optional<std::wstring> ReadString(HKEY root, const std::wstring& key, const wchar_t* name = nullptr);
bool KeyExists(HKEY root, const std::wstring& key);
std::string Narrow(const std::wstring& s);
std::wstring Lower(std::wstring s);

// Pumps the thread's messages that are waiting now.
void PumpMessages();

// Records the messages sent (SendMessage) to windows of this thread while it
// lives: message, wParam, lParam and, for WM_NOTIFY, the notification code.
class SentMessages {
 public:
  struct Sent {
    HWND hwnd;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
    UINT notify_code;
  };
  SentMessages();
  SentMessages(const SentMessages&) = delete;
  SentMessages& operator=(const SentMessages&) = delete;
  ~SentMessages();
  std::vector<Sent> Of(UINT message) const;
  int CountNotify(HWND to, UINT code) const;

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wparam, LPARAM lparam);
  HHOOK hook_ = nullptr;
  std::vector<Sent> sent_;
};

}  // namespace kelvane_test
