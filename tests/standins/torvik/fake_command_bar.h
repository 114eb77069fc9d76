// A minimal command bar object model for TorvikAddAboutMenu: a menu bar with FindControl and
// Controls, Add creating buttons with Caption, Tag and Delete, and the button's connection point
// for CommandBarButtonEvents. Every object counts its references; the test holds one of each.
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <ocidl.h>

#include <cstdint>
#include <string>
#include <vector>

namespace torvik::test {

// {000C0351-0000-0000-C000-000000000046}
inline constexpr GUID kButtonEvents = {0x000C0351, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// IDispatch by a fixed list of names (DISPID = position + 1).
class FakeDispatch : public IDispatch {
public:
    explicit FakeDispatch(std::vector<std::wstring> names) : names_(std::move(names)) {}
    virtual ~FakeDispatch() = default;
    FakeDispatch(const FakeDispatch&) = delete;
    FakeDispatch& operator=(const FakeDispatch&) = delete;

    LONG refs() const { return refs_; }
    std::uint32_t handle() { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(static_cast<IDispatch*>(this))); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT*) override;

protected:
    virtual HRESULT Call(const std::wstring& name, WORD flags, DISPPARAMS& params, VARIANT* result) = 0;
    virtual void* Other(REFIID) { return nullptr; }

private:
    LONG refs_ = 1;
    std::vector<std::wstring> names_;
};

class FakeButton;

class FakeConnectionPoint : public IConnectionPoint {
public:
    explicit FakeConnectionPoint(FakeButton& owner) : owner_(owner) {}
    ~FakeConnectionPoint();

    IDispatch* sink = nullptr;  // held while advised
    bool failAdvise = false;
    int advises = 0;
    int unadvises = 0;
    bool sinkAnswersEvents = false;  // what QueryInterface for the event interface gave

    // Raises Click(Ctrl, CancelDefault) as Office does.
    HRESULT Click();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* unknown, DWORD* cookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) override;

private:
    FakeButton& owner_;
};

class FakeButton : public FakeDispatch, public IConnectionPointContainer {
public:
    FakeButton() : FakeDispatch({L"Caption", L"Tag", L"Delete"}), point(*this) {}

    std::wstring caption;
    std::wstring tag;
    int deletes = 0;
    bool failCaption = false;
    bool noEvents = false;  // FindConnectionPoint answers CONNECT_E_NOCONNECTION
    FakeConnectionPoint point;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        return FakeDispatch::QueryInterface(iid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return FakeDispatch::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return FakeDispatch::Release(); }
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** out) override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** out) override;

protected:
    HRESULT Call(const std::wstring& name, WORD flags, DISPPARAMS& params, VARIANT* result) override;
    void* Other(REFIID iid) override;
};

class FakeControls : public FakeDispatch {
public:
    FakeControls() : FakeDispatch({L"Add"}) {}
    ~FakeControls() override;

    // What the last Add received, first argument first.
    std::vector<VARTYPE> addTypes;
    std::int32_t addType = 0;
    bool addTemporary = false;
    std::vector<FakeButton*> buttons;  // every button made, held by the test
    bool failCaptionOfNew = false;
    bool noEventsOfNew = false;
    bool failAdviseOfNew = false;

protected:
    HRESULT Call(const std::wstring& name, WORD flags, DISPPARAMS& params, VARIANT* result) override;
};

class FakeMenuBar : public FakeDispatch {
public:
    // Without controls the bar answers DISP_E_UNKNOWNNAME for "Controls" and "FindControl", as an
    // object that is no command bar does.
    explicit FakeMenuBar(bool withControls);
    ~FakeMenuBar() override;

    FakeControls* controls = nullptr;
    // FindControl(Type, Id, Tag): the first button not deleted with the tag, or Nothing.
    std::vector<VARTYPE> findTypes;  // what the last call received, first argument first
    std::vector<std::wstring> findTags;
    bool failFind = false;

protected:
    HRESULT Call(const std::wstring& name, WORD flags, DISPPARAMS& params, VARIANT* result) override;
};

// An explorer's CommandBars: Item("Menu Bar") gives the menu bar, any other name fails.
class FakeCommandBars : public FakeDispatch {
public:
    explicit FakeCommandBars(FakeMenuBar* menuBar) : FakeDispatch({L"Item"}), menuBar_(menuBar) {}
    std::vector<std::wstring> asked;  // the names Item was asked for

protected:
    HRESULT Call(const std::wstring& name, WORD flags, DISPPARAMS& params, VARIANT* result) override;

private:
    FakeMenuBar* menuBar_;  // held by the test
};

// An explorer: CommandBars.
class FakeExplorer : public FakeDispatch {
public:
    explicit FakeExplorer(FakeMenuBar* menuBar) : FakeDispatch({L"CommandBars"}), bars(new FakeCommandBars(menuBar)) {}
    ~FakeExplorer() override { bars->Release(); }
    FakeCommandBars* bars;

protected:
    HRESULT Call(const std::wstring& name, WORD flags, DISPPARAMS& params, VARIANT* result) override;
};

}  // namespace torvik::test
