// The round trip across apartments: the object lives in another STA thread and is reached
// through a marshalled IDispatch, so every call goes through a proxy and a stub.
#include <objbase.h>

#include <future>
#include <string>
#include <thread>

#include "automation/win/dispatch_object.h"
#include "automation/win/event_table.h"
#include "automation/win/object_dispatch.h"
#include "test_support.h"

namespace brisko::win::test {
namespace {

// The event interfaces in a registered type library, as the host's setup leaves them: Wine
// marshals a dispinterface other than IDispatch itself only when it finds its type library.
class RegisteredEventInterfaces {
public:
    RegisteredEventInterfaces() = default;
    // Fatal failures end the test; Registered() says whether it all went through.
    void Register() {
        wchar_t full[MAX_PATH] = {};
        GetFullPathNameW(L"automation_win_events.tlb", MAX_PATH, full, nullptr);
        path_ = full;
        ComPtr<ICreateTypeLib2> lib;
        ASSERT_EQ(CreateTypeLib2(SYS_WIN32, path_.data(), lib.Put()), S_OK);
        lib->SetGuid(kLibrary);
        std::wstring libName = L"BriskoTestEvents";
        lib->SetName(libName.data());
        lib->SetVersion(1, 0);
        for (const auto& row : EventTable()) {
            if (&row != FirstRowOf(row.iid)) continue;  // one type per interface
            std::wstring name(row.interfaceName);
            ComPtr<ICreateTypeInfo> info;
            ASSERT_EQ(lib->CreateTypeInfo(name.data(), TKIND_DISPATCH, info.Put()), S_OK);
            info->SetGuid(row.iid);
            ASSERT_EQ(info->LayOut(), S_OK);
        }
        ASSERT_EQ(lib->SaveAllChanges(), S_OK);
        lib.Reset();
        ASSERT_EQ(LoadTypeLibEx(path_.c_str(), REGKIND_NONE, loaded_.Put()), S_OK);
        ASSERT_EQ(RegisterTypeLib(loaded_.Get(), path_.data(), nullptr), S_OK);
        registered_ = true;
    }
    RegisteredEventInterfaces(const RegisteredEventInterfaces&) = delete;
    RegisteredEventInterfaces& operator=(const RegisteredEventInterfaces&) = delete;
    ~RegisteredEventInterfaces() {
        if (registered_) UnRegisterTypeLib(kLibrary, 1, 0, 0, SYS_WIN32);
        loaded_.Reset();
        DeleteFileW(path_.c_str());
    }
    bool Registered() const noexcept { return registered_; }

private:
    static constexpr GUID kLibrary = {0x6c1d9a0e, 0x4b57, 0x4f0e, {0x9a, 0x51, 0x2d, 0x8e, 0x3b, 0x7a, 0x20, 0x01}};
    static const EventRow* FirstRowOf(const GUID& iid) {
        for (const auto& row : EventTable()) {
            if (IsEqualGUID(row.iid, iid)) return &row;
        }
        return nullptr;
    }
    std::wstring path_;
    ComPtr<ITypeLib> loaded_;
    bool registered_ = false;
};

// A thread with its own apartment that exposes one Widget until it is told to stop.
class OtherApartment {
public:
    OtherApartment() {
        std::promise<IStream*> ready;
        auto stream = ready.get_future();
        thread_ = std::thread([this, &ready] { Run(ready); });
        stream_ = stream.get();
    }
    OtherApartment(const OtherApartment&) = delete;
    OtherApartment& operator=(const OtherApartment&) = delete;
    ~OtherApartment() {
        PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
        thread_.join();
    }

    // The proxy, in the calling apartment.
    ComPtr<IDispatch> Unmarshal() {
        ComPtr<IDispatch> proxy;
        EXPECT_EQ(CoGetInterfaceAndReleaseStream(stream_, IID_IDispatch, proxy.PutVoid()), S_OK);
        stream_ = nullptr;
        return proxy;
    }

private:
    void Run(std::promise<IStream*>& ready) {
        CoInitialize(nullptr);
        threadId_ = GetCurrentThreadId();
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the queue exists before anyone posts to it
        auto widget = std::make_shared<Widget>();
        {
            auto exposed = ExposeObject(widget, {{kCommandBarButtonEvents}, {}});
            IStream* stream = nullptr;
            CoMarshalInterThreadInterfaceInStream(IID_IDispatch, exposed.Get(), &stream);
            ready.set_value(stream);
            while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
        }
        widget.reset();
        CoUninitialize();
    }

    std::thread thread_;
    DWORD threadId_ = 0;
    IStream* stream_ = nullptr;
};

class Apartments : public ComTest {};

TEST_F(Apartments, CallsErrorsByReferenceArgumentsAndEventsThroughAProxy) {
    RegisteredEventInterfaces interfaces;
    interfaces.Register();
    ASSERT_TRUE(interfaces.Registered());
    {
        OtherApartment other;
        {
            auto proxy = other.Unmarshal();
            ASSERT_TRUE(proxy);
            EXPECT_EQ(ExposedObject(proxy.Get()), nullptr);  // a proxy, not the object itself
            auto remote = DispatchObject::Wrap(proxy.Get());
            EXPECT_EQ(remote->Get(L"Name"), Value(L"widget"));
            remote->Put(L"Name", L"far");
            EXPECT_EQ(remote->Get(L"name"), Value(L"far"));
            EXPECT_EQ(remote->Call(L"Add", {40, 2}), Value(42));
            Args byRef{4};
            remote->Invoke(L"Twice", CallKind::Method, byRef);
            EXPECT_EQ(byRef[0], Value(8));

            auto e = ErrorOf([&] { remote->Call(L"Fail", {1004, L"far failure", L"Widget"}); });
            EXPECT_EQ(e.number(), 1004);
            EXPECT_EQ(e.description(), L"far failure");
            EXPECT_EQ(e.source(), L"Widget");
            EXPECT_EQ(ErrorOf([&] { remote->Call(L"Fail", {-2147221233, L"x", L"y"}); }).number(), -2147221233);
            EXPECT_EQ(ErrorOf([&] { remote->Call(L"Missing"); }).number(), err::NotSupported);

            std::vector<std::wstring> seen;
            {
                auto connection = remote->ConnectEvents([&](std::wstring_view event, Args& args) {
                    seen.emplace_back(event);
                    args[1] = true;
                });
                // The other apartment raises Click while this one waits in the call.
                Args fire{L"Click", ObjectPtr{}, false};
                remote->Invoke(L"Fire", CallKind::Method, fire);
                EXPECT_EQ(fire[2], Value(true));
            }
            Args again{L"Click", ObjectPtr{}, false};
            remote->Invoke(L"Fire", CallKind::Method, again);
            EXPECT_EQ(seen, std::vector<std::wstring>{L"Click"});
            EXPECT_EQ(again[2], Value(false));
        }
        EXPECT_EQ(LiveComObjects(), 1);  // only the object the other apartment still exposes
        EXPECT_EQ(Widget::live, 1);
    }
    EXPECT_EQ(LiveComObjects(), 0);
}

}  // namespace
}  // namespace brisko::win::test
