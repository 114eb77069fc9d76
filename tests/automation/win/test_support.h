// Shared by the Windows automation tests: the STA, a brisko test object, a scripted IDispatch.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "automation/error.h"
#include "automation/object.h"
#include "automation/text.h"
#include "automation/win/com_object.h"
#include "automation/win/com_ptr.h"

namespace brisko::win::test {

// A brisko object with properties, methods, a by-reference argument and events.
class Widget : public Object {
public:
    static inline int live = 0;
    Widget() { ++live; }
    ~Widget() override { --live; }
    Widget(const Widget&) = delete;
    Widget& operator=(const Widget&) = delete;

    std::wstring name = L"widget";
    std::int32_t count = 0;
    ObjectPtr parent;
    Value stored;
    std::vector<std::wstring> calls;  // "Get Name", "Put Name", ...
    EventSource events;

    Value Invoke(std::wstring_view member, CallKind kind, Args& args) override;
    EventConnection ConnectEvents(EventHandler handler) override { return events.Connect(std::move(handler)); }
    std::wstring TypeName() const override { return L"Widget"; }
};

// A hand-written IDispatch whose members are scripted per test.
class ScriptedDispatch final : public IDispatch {
public:
    using Member = std::function<HRESULT(WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep)>;

    static inline std::atomic<int> live{0};
    int getIdsCalls = 0;
    WORD lastFlags = 0;
    std::vector<DISPID> lastNamed;
    std::vector<VARTYPE> lastTypes;  // of rgvarg as passed (reversed)
    DISPID lastId = DISPID_UNKNOWN;
    int invokes = 0;
    GUID alsoAnswers = GUID_NULL;  // e.g. an event interface, for a sink

    ScriptedDispatch() { ++live; }
    ~ScriptedDispatch() { --live; }
    ScriptedDispatch(const ScriptedDispatch&) = delete;
    ScriptedDispatch& operator=(const ScriptedDispatch&) = delete;

    void Add(const std::wstring& name, DISPID id, Member member) {
        ids_[LowerCase(name)] = id;
        members_[id] = std::move(member);
    }
    ULONG Refs() const { return refs_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
            (!IsEqualIID(alsoAnswers, GUID_NULL) && IsEqualIID(riid, alsoAnswers))) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG n = --refs_;
        if (n == 0) delete this;
        return n;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* ids) override {
        ++getIdsCalls;
        const auto it = ids_.find(LowerCase(names[0]));
        if (it == ids_.end()) {
            ids[0] = DISPID_UNKNOWN;
            return DISP_E_UNKNOWNNAME;
        }
        ids[0] = it->second;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* excep, UINT*) override {
        ++invokes;
        lastId = id;
        lastFlags = flags;
        lastNamed.assign(params->rgdispidNamedArgs, params->rgdispidNamedArgs + params->cNamedArgs);
        lastTypes.clear();
        for (UINT i = 0; i < params->cArgs; ++i) lastTypes.push_back(params->rgvarg[i].vt);
        const auto it = members_.find(id);
        if (it == members_.end()) return DISP_E_MEMBERNOTFOUND;
        return it->second(flags, params, result, excep);
    }

private:
    ULONG refs_ = 1;
    std::map<std::wstring, DISPID> ids_;
    std::map<DISPID, Member> members_;
};

// Every test checks that no COM object of the library outlives it.
class ComTest : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_EQ(LiveComObjects(), 0) << "COM objects of the library leaked";
        EXPECT_EQ(ScriptedDispatch::live, 0) << "scripted COM objects leaked";
        EXPECT_EQ(Widget::live, 0) << "brisko objects leaked";
    }
};

// The error a call raises; fails the test when it raises none.
template <class F>
RuntimeError ErrorOf(F&& f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        return e;
    }
    ADD_FAILURE() << "no error raised";
    return RuntimeError(0);
}

}  // namespace brisko::win::test
