// The registrar-script interpreter, run against a scratch key that stands in
// for HKEY_CLASSES_ROOT.
#include <windows.h>

#include <gtest/gtest.h>

#include "kelvane_testing.h"
#include "olectl/registrar.h"

namespace kelvane_test {
namespace {

constexpr wchar_t kSandbox[] = L"Software\\KelvaneTests\\Registrar";

class RegistrarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, kSandbox);
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, kSandbox, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                             &root_, nullptr));
    registrar_.MapRoot(L"HKCR", root_);
    registrar_.AddReplacement(L"MODULE", L"C:\\it's\\Kelvane.dll");
    registrar_.AddReplacement(L"NAME", L"Named");
  }
  void TearDown() override {
    RegCloseKey(root_);
    RegDeleteTreeW(HKEY_CURRENT_USER, kSandbox);
    RegDeleteKeyW(HKEY_CURRENT_USER, kSandbox);
  }
  std::optional<std::wstring> Str(const std::wstring& key, const wchar_t* name = nullptr) {
    return ReadString(root_, key, name);
  }
  std::optional<DWORD> Dword(const std::wstring& key, const wchar_t* name) {
    DWORD v = 0, size = sizeof(v);
    if (RegGetValueW(root_, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &v, &size) != ERROR_SUCCESS)
      return std::nullopt;
    return v;
  }
  bool Exists(const std::wstring& key) { return KeyExists(root_, key); }
  void MakeKey(const std::wstring& key) {
    HKEY h = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(root_, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr));
    RegCloseKey(h);
  }

  HKEY root_ = nullptr;
  olectl::Registrar registrar_;
};

constexpr wchar_t kScript[] = LR"(
HKCR
{
	NoRemove Root
	{
		ForceRemove Forced = s 'forced'
		{
			Sub = s 'x'
		}
		Plain = s '%NAME%'
		{
			val Count = d '42'
			val Hex = d '0x1F'
			val 'Quoted Name' = s 'it''s %MODULE%, 108'
		}
		'Empty'
		'100%%' = s '%%'
	}
}
)";

TEST_F(RegistrarTest, RegisterCreatesKeysAndValuesWithParametersReplaced) {
  ASSERT_EQ(S_OK, registrar_.Register(kScript));
  EXPECT_EQ(L"forced", Str(L"Root\\Forced"));
  EXPECT_EQ(L"x", Str(L"Root\\Forced\\Sub"));
  EXPECT_EQ(L"Named", Str(L"Root\\Plain"));
  EXPECT_EQ(42u, Dword(L"Root\\Plain", L"Count"));
  EXPECT_EQ(0x1Fu, Dword(L"Root\\Plain", L"Hex"));
  EXPECT_EQ(L"it's C:\\it's\\Kelvane.dll, 108", Str(L"Root\\Plain", L"Quoted Name"));
  EXPECT_TRUE(Exists(L"Root\\Empty"));
  EXPECT_EQ(L"%", Str(L"Root\\100%"));
}

TEST_F(RegistrarTest, ForceRemoveRecreatesTheKeyWithoutWhatWasThereBefore) {
  MakeKey(L"Root\\Forced\\Stale\\Deeper");
  MakeKey(L"Root\\Plain\\Kept");
  ASSERT_EQ(S_OK, registrar_.Register(kScript));
  EXPECT_FALSE(Exists(L"Root\\Forced\\Stale"));
  EXPECT_TRUE(Exists(L"Root\\Forced\\Sub"));
  EXPECT_TRUE(Exists(L"Root\\Plain\\Kept"));
}

TEST_F(RegistrarTest, UnregisterRemovesWhatTheScriptCreatedAndKeepsNoRemoveKeys) {
  ASSERT_EQ(S_OK, registrar_.Register(kScript));
  ASSERT_EQ(S_OK, registrar_.Unregister(kScript));
  EXPECT_TRUE(Exists(L"Root"));
  EXPECT_FALSE(Exists(L"Root\\Forced"));
  EXPECT_FALSE(Exists(L"Root\\Plain"));
  EXPECT_FALSE(Exists(L"Root\\Empty"));
  EXPECT_FALSE(Exists(L"Root\\100%"));
  // Unregistering again finds nothing to do.
  EXPECT_EQ(S_OK, registrar_.Unregister(kScript));
}

TEST_F(RegistrarTest, UnregisterKeepsAPlainKeyThatHoldsForeignSubkeysButDropsItsValues) {
  ASSERT_EQ(S_OK, registrar_.Register(kScript));
  MakeKey(L"Root\\Plain\\Foreign");
  MakeKey(L"Root\\Forced\\Foreign");
  ASSERT_EQ(S_OK, registrar_.Unregister(kScript));
  EXPECT_TRUE(Exists(L"Root\\Plain\\Foreign"));
  EXPECT_FALSE(Dword(L"Root\\Plain", L"Count"));
  EXPECT_FALSE(Str(L"Root\\Plain", L"Quoted Name"));
  // ForceRemove takes the whole subtree.
  EXPECT_FALSE(Exists(L"Root\\Forced"));
}

TEST_F(RegistrarTest, DeleteKeyIsRemovedOnRegisterAndLeftAloneOnUnregister) {
  MakeKey(L"Old\\Child");
  constexpr wchar_t script[] = L"HKCR { Delete Old NoRemove Keep { } }";
  ASSERT_EQ(S_OK, registrar_.Register(script));
  EXPECT_FALSE(Exists(L"Old"));
  EXPECT_TRUE(Exists(L"Keep"));
  MakeKey(L"Old");
  ASSERT_EQ(S_OK, registrar_.Unregister(script));
  EXPECT_TRUE(Exists(L"Old"));
  EXPECT_TRUE(Exists(L"Keep"));
}

TEST_F(RegistrarTest, MalformedScriptsFailAndWriteNothing) {
  const wchar_t* bad[] = {
      L"HKCR { A = s 'a' } HKCR { B",        // missing brace
      L"HKCR { A = s 'unterminated }",       // open quote
      L"HKXX { A }",                         // unknown root
      L"HKCR { A = q 'x' }",                 // unknown value type
      L"HKCR { A = d 'abc' }",               // not a number
      L"HKCR { A = d '4294967296' }",        // too large for a DWORD
      L"HKCR { A = s '%UNKNOWN%' }",         // unknown parameter
      L"HKCR { A = s '%MODULE' }",           // unterminated parameter
      L"HKCR { 'A\\B' }",                    // path instead of a key name
      L"HKCR { val = s 'x' }",               // value without a name
      L"HKCR { A } }",                       // stray brace
  };
  for (const wchar_t* script : bad) {
    SCOPED_TRACE(Narrow(script));
    EXPECT_TRUE(FAILED(registrar_.Register(script)));
    EXPECT_FALSE(Exists(L"A"));
  }
}

TEST_F(RegistrarTest, DeeplyNestedScriptsAreRefused) {
  std::wstring script = L"HKCR {";
  for (int i = 0; i < 100; ++i) script += L" K {";
  for (int i = 0; i < 100; ++i) script += L" }";
  script += L" }";
  EXPECT_TRUE(FAILED(registrar_.Register(script)));
  EXPECT_FALSE(Exists(L"K"));
}

// The library's own scripts, run against the scratch key.
TEST_F(RegistrarTest, LibraryScriptsRegisterAndUnregisterCleanly) {
  registrar_.AddReplacement(L"APPID", L"{FD8812D8-EA3A-46B1-AB27-6066F5A55980}");
  registrar_.AddReplacement(L"OLEMISC", L"131473");
  HMODULE library = Library::Get().Module();
  for (UINT id : {101u, 103u, 105u, 109u, 116u}) {
    SCOPED_TRACE(id);
    EXPECT_EQ(S_OK, registrar_.RunResource(library, id, true));
  }
  EXPECT_EQ(L"PriorityBar Class", Str(L"CLSID\\{080D7768-7B38-4B9A-8A46-9A262E33CA07}"));
  EXPECT_EQ(L"C:\\it's\\Kelvane.dll, 108", Str(L"CLSID\\{080D7768-7B38-4B9A-8A46-9A262E33CA07}\\ToolboxBitmap32"));
  EXPECT_EQ(L"Kelvane", Str(L"AppID\\{FD8812D8-EA3A-46B1-AB27-6066F5A55980}"));
  for (UINT id : {116u, 109u, 105u, 103u, 101u}) {
    SCOPED_TRACE(id);
    EXPECT_EQ(S_OK, registrar_.RunResource(library, id, false));
  }
  EXPECT_TRUE(Exists(L"CLSID"));
  EXPECT_TRUE(Exists(L"AppID"));
  EXPECT_FALSE(Exists(L"CLSID\\{080D7768-7B38-4B9A-8A46-9A262E33CA07}"));
  EXPECT_FALSE(Exists(L"AppID\\Kelvane.DLL"));
  EXPECT_FALSE(Exists(L"Kelvane.EditBox"));
}

TEST_F(RegistrarTest, MissingResourceFails) {
  EXPECT_TRUE(FAILED(registrar_.RunResource(GetModuleHandleW(nullptr), 4242, true)));
}

}  // namespace
}  // namespace kelvane_test
