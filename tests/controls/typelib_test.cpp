// The type library embedded in Kelvane.dll: types, GUIDs, help strings,
// DISPIDs and vtable order, and IDispatch served from it.
#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <vector>

#include "ole_test.h"

namespace kelvane_test {
namespace {

class TypeLibrary : public OleTest {
 protected:
  void SetUp() override {
    OleTest::SetUp();
    ASSERT_EQ(S_OK, LoadTypeLibEx(Library::Get().Path().c_str(), REGKIND_NONE, lib_.Put()));
  }
  void TearDown() override {
    lib_.Reset();
    OleTest::TearDown();
  }
  ComPtr<ITypeLib> lib_;
};

struct TypeRow {
  const wchar_t* name;
  TYPEKIND kind;
  const GUID* guid;  // nullptr: none
  const wchar_t* help;
};

TEST_F(TypeLibrary, LibraryAttributes) {
  TLIBATTR* attr = nullptr;
  ASSERT_EQ(S_OK, lib_->GetLibAttr(&attr));
  EXPECT_EQ(LIBID_KelvaneLib, attr->guid);
  EXPECT_EQ(1, attr->wMajorVerNum);
  EXPECT_EQ(0, attr->wMinorVerNum);
  EXPECT_EQ(0x409u, attr->lcid);
  EXPECT_EQ(SYS_WIN32, attr->syskind);
  lib_->ReleaseTLibAttr(attr);
  Bstr name, help;
  ASSERT_EQ(S_OK, lib_->GetDocumentation(-1, name.Put(), help.Put(), nullptr, nullptr));
  EXPECT_STREQ(L"KelvaneLib", name.c_str());
  EXPECT_STREQ(L"Kelvane 1.0 Type Library", help.c_str());
}

TEST_F(TypeLibrary, EveryTypeInOrderWithItsGuidAndHelpString) {
  const TypeRow rows[] = {
      {L"_ISysMonthCal32Events", TKIND_DISPATCH, &DIID__ISysMonthCal32Events, L"_ISysMonthCal32Events Interface"},
      {L"SysMonthCal32", TKIND_COCLASS, &CLSID_SysMonthCal32, L"SysMonthCal32 Class"},
      {L"ISysMonthCal32", TKIND_DISPATCH, &IID_ISysMonthCal32, L"ISysMonthCal32 Interface"},
      {L"LONG_PTR", TKIND_ALIAS, nullptr, L""},
      {L"_ISysDateTimePick32Events", TKIND_DISPATCH, &DIID__ISysDateTimePick32Events,
       L"_ISysDateTimePick32Events Interface"},
      {L"SysDateTimePick32", TKIND_COCLASS, &CLSID_SysDateTimePick32, L"SysDateTimePick32 Class"},
      {L"ISysDateTimePick32", TKIND_DISPATCH, &IID_ISysDateTimePick32, L"ISysDateTimePick32 Interface"},
      {L"_IPriorityBarEvents", TKIND_DISPATCH, &DIID__IPriorityBarEvents, L"_IPriorityBarEvents Interface"},
      {L"PriorityBar", TKIND_COCLASS, &CLSID_PriorityBar, L"PriorityBar Class"},
      {L"IPriorityBar", TKIND_DISPATCH, &IID_IPriorityBar, L"IPriorityBar Interface"},
      {L"_IEditBoxEvents", TKIND_DISPATCH, &DIID__IEditBoxEvents, L"_IEditBoxEvents Interface"},
      {L"EditBox", TKIND_COCLASS, &CLSID_EditBox, L"EditBox Class"},
      {L"IEditBox", TKIND_DISPATCH, &IID_IEditBox, L"IEditBox Interface"},
  };
  ASSERT_EQ(std::size(rows), lib_->GetTypeInfoCount());
  for (UINT i = 0; i < std::size(rows); ++i) {
    const TypeRow& row = rows[i];
    SCOPED_TRACE(Narrow(row.name));
    Bstr name, help;
    ASSERT_EQ(S_OK, lib_->GetDocumentation(static_cast<INT>(i), name.Put(), help.Put(), nullptr, nullptr));
    EXPECT_STREQ(row.name, name.c_str());
    EXPECT_STREQ(row.help, help.c_str());
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(S_OK, lib_->GetTypeInfo(i, info.Put()));
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, info->GetTypeAttr(&attr));
    EXPECT_EQ(row.kind, attr->typekind);
    if (row.guid) {
      EXPECT_EQ(*row.guid, attr->guid);
    }
    if (row.kind == TKIND_ALIAS) {
      EXPECT_EQ(VT_I4, attr->tdescAlias.vt);
    } else if (row.kind == TKIND_COCLASS) {
      EXPECT_EQ(TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL, attr->wTypeFlags & (TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL));
      ASSERT_EQ(2, attr->cImplTypes);
      INT flags = 0;
      EXPECT_EQ(S_OK, info->GetImplTypeFlags(0, &flags));
      EXPECT_EQ(IMPLTYPEFLAG_FDEFAULT, flags);
      EXPECT_EQ(S_OK, info->GetImplTypeFlags(1, &flags));
      EXPECT_EQ(IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE, flags);
    } else if (row.name[0] == L'I') {
      const WORD want = TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE;
      EXPECT_EQ(want, attr->wTypeFlags & want);
      // The interface half of the dual interface is automation-compatible.
      HREFTYPE ref = 0;
      ComPtr<ITypeInfo> half;
      ASSERT_EQ(S_OK, info->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref));
      ASSERT_EQ(S_OK, info->GetRefTypeInfo(ref, half.Put()));
      TYPEATTR* half_attr = nullptr;
      ASSERT_EQ(S_OK, half->GetTypeAttr(&half_attr));
      EXPECT_EQ(TKIND_INTERFACE, half_attr->typekind);
      EXPECT_TRUE(half_attr->wTypeFlags & TYPEFLAG_FOLEAUTOMATION);
      EXPECT_TRUE(half_attr->wTypeFlags & TYPEFLAG_FDUAL);
      half->ReleaseTypeAttr(half_attr);
    }
    info->ReleaseTypeAttr(attr);
  }
}

struct Member {
  const wchar_t* name;
  MEMBERID id;
  INVOKEKIND kind;
  std::vector<VARTYPE> params;  // pointers as VT_PTR
};

void ExpectVtable(ITypeLib* lib, REFIID iid, const std::vector<Member>& members) {
  ComPtr<ITypeInfo> dispatch, info;
  ASSERT_EQ(S_OK, lib->GetTypeInfoOfGuid(iid, dispatch.Put()));
  HREFTYPE ref = 0;
  ASSERT_EQ(S_OK, dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref));
  ASSERT_EQ(S_OK, dispatch->GetRefTypeInfo(ref, info.Put()));
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(S_OK, info->GetTypeAttr(&attr));
  EXPECT_EQ(TKIND_INTERFACE, attr->typekind);
  const WORD count = attr->cFuncs;
  info->ReleaseTypeAttr(attr);
  ASSERT_EQ(members.size(), count);
  for (UINT i = 0; i < count; ++i) {
    const Member& m = members[i];
    SCOPED_TRACE(Narrow(m.name));
    FUNCDESC* f = nullptr;
    ASSERT_EQ(S_OK, info->GetFuncDesc(i, &f));
    Bstr name;
    info->GetDocumentation(f->memid, name.Put(), nullptr, nullptr, nullptr);
    EXPECT_STREQ(m.name, name.c_str());
    EXPECT_EQ(m.id, f->memid);
    EXPECT_EQ(m.kind, f->invkind);
    EXPECT_EQ(static_cast<SHORT>((7 + i) * sizeof(void*)), f->oVft);  // after the seven IDispatch slots
    EXPECT_EQ(CC_STDCALL, f->callconv);
    EXPECT_EQ(VT_HRESULT, f->elemdescFunc.tdesc.vt);
    ASSERT_EQ(m.params.size(), static_cast<size_t>(f->cParams));
    for (SHORT p = 0; p < f->cParams; ++p) {
      const TYPEDESC& t = f->lprgelemdescParam[p].tdesc;
      EXPECT_EQ(m.params[static_cast<size_t>(p)], t.vt) << "parameter " << p;
    }
    info->ReleaseFuncDesc(f);
  }
}

constexpr INVOKEKIND kPut = INVOKE_PROPERTYPUT;
constexpr INVOKEKIND kGet = INVOKE_PROPERTYGET;
constexpr INVOKEKIND kCall = INVOKE_FUNC;

TEST_F(TypeLibrary, DualInterfacesHaveTheirMembersInVtableOrder) {
  ExpectVtable(lib_.Get(), IID_ISysMonthCal32,
               {{L"Enabled", DISPID_ENABLED, kPut, {VT_BOOL}},
                {L"Enabled", DISPID_ENABLED, kGet, {VT_PTR}},
                {L"HWND", DISPID_HWND, kGet, {VT_PTR}},
                {L"TabStop", DISPID_TABSTOP, kPut, {VT_BOOL}},
                {L"TabStop", DISPID_TABSTOP, kGet, {VT_PTR}},
                {L"Value", 1, kGet, {VT_PTR}},
                {L"Value", 1, kPut, {VT_DATE}},
                {L"GetMinSize", 2, kCall, {VT_PTR, VT_PTR}}});
  ExpectVtable(lib_.Get(), IID_ISysDateTimePick32,
               {{L"Enabled", DISPID_ENABLED, kPut, {VT_BOOL}},
                {L"Enabled", DISPID_ENABLED, kGet, {VT_PTR}},
                {L"HWND", DISPID_HWND, kGet, {VT_PTR}},
                {L"TabStop", DISPID_TABSTOP, kPut, {VT_BOOL}},
                {L"TabStop", DISPID_TABSTOP, kGet, {VT_PTR}},
                {L"Value", 1, kGet, {VT_PTR}},
                {L"Value", 1, kPut, {VT_DATE}},
                {L"UpDown", 2, kGet, {VT_PTR}},
                {L"UpDown", 2, kPut, {VT_BOOL}},
                {L"SetCustomFormat", 3, kCall, {VT_BSTR}},
                {L"SetAltFont", 4, kCall, {VT_BOOL}}});
  ExpectVtable(lib_.Get(), IID_IPriorityBar,
               {{L"Enabled", DISPID_ENABLED, kPut, {VT_BOOL}},
                {L"Enabled", DISPID_ENABLED, kGet, {VT_PTR}},
                {L"HWND", DISPID_HWND, kGet, {VT_PTR}},
                {L"Value", 1, kGet, {VT_PTR}},
                {L"Value", 1, kPut, {VT_INT}},
                {L"SetCaptions", 2, kCall, {VT_BSTR, VT_BSTR, VT_BSTR}}});
  ExpectVtable(lib_.Get(), IID_IEditBox,
               {{L"Enabled", DISPID_ENABLED, kPut, {VT_BOOL}},
                {L"Enabled", DISPID_ENABLED, kGet, {VT_PTR}},
                {L"Text", DISPID_TEXT, kPut, {VT_BSTR}},
                {L"Text", DISPID_TEXT, kGet, {VT_PTR}}});
}

TEST_F(TypeLibrary, HwndIsALongPtrAndEventsHaveOnChangeOnly) {
  ComPtr<ITypeInfo> dispatch, info;
  ASSERT_EQ(S_OK, lib_->GetTypeInfoOfGuid(IID_IPriorityBar, dispatch.Put()));
  HREFTYPE ref = 0;
  ASSERT_EQ(S_OK, dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref));
  ASSERT_EQ(S_OK, dispatch->GetRefTypeInfo(ref, info.Put()));
  FUNCDESC* f = nullptr;
  ASSERT_EQ(S_OK, info->GetFuncDesc(2, &f));
  const TYPEDESC& pointee = *f->lprgelemdescParam[0].tdesc.lptdesc;
  EXPECT_EQ(VT_USERDEFINED, pointee.vt);
  ComPtr<ITypeInfo> alias;
  ASSERT_EQ(S_OK, info->GetRefTypeInfo(pointee.hreftype, alias.Put()));
  Bstr name;
  alias->GetDocumentation(MEMBERID_NIL, name.Put(), nullptr, nullptr, nullptr);
  EXPECT_STREQ(L"LONG_PTR", name.c_str());
  info->ReleaseFuncDesc(f);

  for (const IID* events : {&DIID__ISysMonthCal32Events, &DIID__ISysDateTimePick32Events}) {
    ComPtr<ITypeInfo> e;
    ASSERT_EQ(S_OK, lib_->GetTypeInfoOfGuid(*events, e.Put()));
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, e->GetTypeAttr(&attr));
    EXPECT_EQ(1, attr->cFuncs);
    e->ReleaseTypeAttr(attr);
    FUNCDESC* fd = nullptr;
    ASSERT_EQ(S_OK, e->GetFuncDesc(0, &fd));
    EXPECT_EQ(1, fd->memid);
    EXPECT_EQ(0, fd->cParams);
    EXPECT_EQ(INVOKE_FUNC, fd->invkind);
    Bstr method;
    e->GetDocumentation(fd->memid, method.Put(), nullptr, nullptr, nullptr);
    EXPECT_STREQ(L"OnChange", method.c_str());
    e->ReleaseFuncDesc(fd);
  }
  for (const IID* events : {&DIID__IPriorityBarEvents, &DIID__IEditBoxEvents}) {
    ComPtr<ITypeInfo> e;
    ASSERT_EQ(S_OK, lib_->GetTypeInfoOfGuid(*events, e.Put()));
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, e->GetTypeAttr(&attr));
    EXPECT_EQ(0, attr->cFuncs);
    e->ReleaseTypeAttr(attr);
  }
}

// IDispatch of a control, answered from the embedded type library.
TEST_F(TypeLibrary, ControlsServeIDispatchFromTheTypeLibrary) {
  ComPtr<IDispatch> bar;
  ASSERT_EQ(S_OK, Library::Get().Create(CLSID_PriorityBar, bar));
  UINT count = 0;
  ASSERT_EQ(S_OK, bar->GetTypeInfoCount(&count));
  EXPECT_EQ(1u, count);
  ComPtr<ITypeInfo> info;
  ASSERT_EQ(S_OK, bar->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.Put()));
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(S_OK, info->GetTypeAttr(&attr));
  EXPECT_EQ(IID_IPriorityBar, attr->guid);
  info->ReleaseTypeAttr(attr);

  const std::pair<const wchar_t*, DISPID> names[] = {
      {L"Value", 1}, {L"SetCaptions", 2}, {L"Enabled", DISPID_ENABLED}, {L"HWND", DISPID_HWND}, {L"value", 1}};
  for (const auto& [text, want] : names) {
    LPOLESTR name = const_cast<LPOLESTR>(text);
    DISPID id = 0;
    EXPECT_EQ(S_OK, bar->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id));
    EXPECT_EQ(want, id) << Narrow(text);
  }
  LPOLESTR unknown = const_cast<LPOLESTR>(L"NoSuchMember");
  DISPID id = 0;
  EXPECT_EQ(DISP_E_UNKNOWNNAME, bar->GetIDsOfNames(IID_NULL, &unknown, 1, LOCALE_USER_DEFAULT, &id));

  Variant arg;
  arg->vt = VT_I4;
  arg->lVal = 2;
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS put{arg.Get(), &named, 1, 1};
  ASSERT_EQ(S_OK, bar->Invoke(1, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr));
  Variant result;
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  ASSERT_EQ(S_OK, bar->Invoke(1, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, result.Get(), nullptr,
                              nullptr));
  EXPECT_EQ(VT_I4, result->vt);
  EXPECT_EQ(2, result->lVal);

  // HWND before activation is 0.
  Variant hwnd;
  ASSERT_EQ(S_OK, bar->Invoke(DISPID_HWND, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, hwnd.Get(),
                              nullptr, nullptr));
  EXPECT_EQ(VT_I4, hwnd->vt);
  EXPECT_EQ(0, hwnd->lVal);

  EXPECT_EQ(DISP_E_MEMBERNOTFOUND, bar->Invoke(77, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr,
                                               nullptr, nullptr));
  EXPECT_EQ(DISP_E_UNKNOWNINTERFACE, bar->Invoke(1, IID_IPriorityBar, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET,
                                                 &none, result.Get(), nullptr, nullptr));
}

}  // namespace
}  // namespace kelvane_test
