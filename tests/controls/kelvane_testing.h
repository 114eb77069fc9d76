// Shared helpers of the Kelvane tests: the library loaded from beside the
// test program, COM set-up, registry reads.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

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

// OLE for the length of a test.
class OleTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(S_OK, OleInitialize(nullptr)); }
  void TearDown() override { OleUninitialize(); }
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

}  // namespace kelvane_test
