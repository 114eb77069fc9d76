// Source interfaces and type names found through type information: a coclass from
// IProvideClassInfo (without IProvideClassInfo2), or the dispatch interface's own type.
#include <ocidl.h>

#include <string>

#include "automation/win/dispatch_object.h"
#include "automation/win/event_table.h"
#include "automation/win/object_dispatch.h"
#include "test_support.h"

namespace brisko::win::test {
namespace {

constexpr GUID kLibrary = {0x6c1d9a0e, 0x4b57, 0x4f0e, {0x9a, 0x51, 0x2d, 0x8e, 0x3b, 0x7a, 0x10, 0x01}};
constexpr GUID kClass = {0x6c1d9a0e, 0x4b57, 0x4f0e, {0x9a, 0x51, 0x2d, 0x8e, 0x3b, 0x7a, 0x10, 0x02}};
constexpr GUID kFace = {0x6c1d9a0e, 0x4b57, 0x4f0e, {0x9a, 0x51, 0x2d, 0x8e, 0x3b, 0x7a, 0x10, 0x03}};

struct TypeLibrary {
    ComPtr<ITypeInfo> coclass;  // "Explorer": [source] ApplicationEvents_11, [default, source] ExplorerEvents_10
    ComPtr<ITypeInfo> face;     // "_Explorer", a dispatch interface
};

ComPtr<ITypeInfo> Dispinterface(ICreateTypeLib2* lib, const wchar_t* name, const GUID& iid) {
    std::wstring n(name);
    ComPtr<ICreateTypeInfo> create;
    EXPECT_EQ(lib->CreateTypeInfo(n.data(), TKIND_DISPATCH, create.Put()), S_OK);
    EXPECT_EQ(create->SetGuid(iid), S_OK);
    EXPECT_EQ(create->LayOut(), S_OK);
    return create.As<ITypeInfo>(IID_ITypeInfo);
}

TypeLibrary MakeTypeLibrary() {
    TypeLibrary out;
    ComPtr<ICreateTypeLib2> lib;
    std::wstring file = L"class_info_test.tlb";  // never saved
    EXPECT_EQ(CreateTypeLib2(SYS_WIN32, file.data(), lib.Put()), S_OK);
    if (!lib) return out;
    lib->SetGuid(kLibrary);
    const auto application = Dispinterface(lib.Get(), L"ApplicationEvents_11", kApplicationEvents11);
    const auto explorer = Dispinterface(lib.Get(), L"ExplorerEvents_10", kExplorerEvents10);
    out.face = Dispinterface(lib.Get(), L"_Explorer", kFace);

    std::wstring name = L"Explorer";
    ComPtr<ICreateTypeInfo> coclass;
    EXPECT_EQ(lib->CreateTypeInfo(name.data(), TKIND_COCLASS, coclass.Put()), S_OK);
    EXPECT_EQ(coclass->SetGuid(kClass), S_OK);
    HREFTYPE ref = 0;
    EXPECT_EQ(coclass->AddRefTypeInfo(application.Get(), &ref), S_OK);
    EXPECT_EQ(coclass->AddImplType(0, ref), S_OK);
    EXPECT_EQ(coclass->SetImplTypeFlags(0, IMPLTYPEFLAG_FSOURCE), S_OK);
    EXPECT_EQ(coclass->AddRefTypeInfo(explorer.Get(), &ref), S_OK);
    EXPECT_EQ(coclass->AddImplType(1, ref), S_OK);
    EXPECT_EQ(coclass->SetImplTypeFlags(1, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE), S_OK);
    EXPECT_EQ(coclass->LayOut(), S_OK);
    out.coclass = coclass.As<ITypeInfo>(IID_ITypeInfo);
    return out;
}

// An object as some hosts make them: IDispatch with type information, IProvideClassInfo
// (not 2), connection points whose enumeration order is not the default source first.
class TypedHost final : public IDispatch, public IProvideClassInfo {
public:
    TypedHost(ComPtr<IDispatch> inner, TypeLibrary types, bool classInfo)
        : inner_(std::move(inner)), types_(std::move(types)), classInfo_(classInfo) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
            *out = static_cast<IDispatch*>(this);
        } else if (classInfo_ && IsEqualIID(riid, IID_IProvideClassInfo)) {
            *out = static_cast<IProvideClassInfo*>(this);
        } else if (IsEqualIID(riid, IID_IConnectionPointContainer)) {
            return inner_->QueryInterface(riid, out);
        } else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG n = --refs_;
        if (n == 0) delete this;
        return n;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        *n = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        *info = types_.face.Get();
        (*info)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID r, LPOLESTR* n, UINT c, LCID l, DISPID* d) override {
        return inner_->GetIDsOfNames(r, n, c, l, d);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID i, REFIID r, LCID l, WORD f, DISPPARAMS* p, VARIANT* v, EXCEPINFO* e,
                                     UINT* a) override {
        return inner_->Invoke(i, r, l, f, p, v, e, a);
    }
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** info) override {
        *info = types_.coclass.Get();
        (*info)->AddRef();
        return S_OK;
    }

private:
    ULONG refs_ = 1;
    ComPtr<IDispatch> inner_;
    TypeLibrary types_;
    bool classInfo_;
};

class ClassInfo : public ComTest {
protected:
    std::shared_ptr<DispatchObject> Host(bool classInfo) {
        widget = std::make_shared<Widget>();
        DispatchOptions options{{kApplicationEvents11, kExplorerEvents10}, {}};
        options.classInfo = false;
        auto* host = new TypedHost(ExposeObject(widget, options), MakeTypeLibrary(), classInfo);
        auto wrapped = DispatchObject::Wrap(host);
        host->Release();
        return wrapped;
    }
    void TearDown() override {
        EXPECT_EQ(widget.use_count(), 1);
        widget.reset();
        ComTest::TearDown();
    }
    std::shared_ptr<Widget> widget;
};

TEST_F(ClassInfo, TheCoclassNamesTheDefaultSource) {
    auto host = Host(true);
    EXPECT_TRUE(IsEqualGUID(host->SourceInterface(), kExplorerEvents10));
    std::vector<std::wstring> seen;
    auto connection = host->ConnectEvents([&](std::wstring_view e, Args&) { seen.emplace_back(e); });
    widget->events.Raise(L"FolderSwitch");
    EXPECT_EQ(seen, std::vector<std::wstring>{L"FolderSwitch"});
    EXPECT_EQ(host->TypeName(), L"Explorer");
}

TEST_F(ClassInfo, WithoutClassInfoTheFirstKnownConnectionPointAndTheInterfaceName) {
    auto host = Host(false);
    EXPECT_TRUE(IsEqualGUID(host->SourceInterface(), kApplicationEvents11));
    EXPECT_EQ(host->TypeName(), L"Explorer");  // "_Explorer" without its underscore
    EXPECT_EQ(host->Get(L"Name"), Value(L"widget"));
}

}  // namespace
}  // namespace brisko::win::test
