#include "test_support.h"

#include <objbase.h>

namespace brisko::win::test {

namespace {

// One single-threaded apartment for the whole run, on the thread that runs the tests.
class ApartmentEnvironment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
    void TearDown() override { CoUninitialize(); }
};

[[maybe_unused]] ::testing::Environment* const kApartment =
    ::testing::AddGlobalTestEnvironment(new ApartmentEnvironment);

bool Is(std::wstring_view a, std::wstring_view b) { return EqualsNoCase(a, b); }

void Need(const Args& args, std::size_t n) {
    if (args.size() != n) Raise(err::WrongArguments);
}

}  // namespace

Value Widget::Invoke(std::wstring_view member, CallKind kind, Args& args) {
    static const wchar_t* const kKinds[] = {L"Get", L"Put", L"PutRef", L"Method"};
    calls.push_back(std::wstring(kKinds[static_cast<int>(kind)]) + L" " + std::wstring(member));
    const bool put = kind == CallKind::Put || kind == CallKind::PutRef;
    if (Is(member, L"Name")) {
        if (put) {
            Need(args, 1);
            name = args[0].AsString();
            return {};
        }
        Need(args, 0);
        return name;
    }
    if (Is(member, L"Count")) {
        if (put) {
            Need(args, 1);
            count = args[0].AsInt();
            return {};
        }
        return count;
    }
    if (Is(member, L"Parent")) {
        if (kind == CallKind::Put) Raise(err::WrongArguments);
        if (kind == CallKind::PutRef) {
            Need(args, 1);
            parent = args[0].AsObject();
            return {};
        }
        return parent;
    }
    if (Is(member, L"Item")) {
        if (put) {
            Need(args, 2);
            stored = Array{args[0], args[1]};
            return {};
        }
        Need(args, 1);
        return L"item " + args[0].AsString();
    }
    if (put) Raise(err::NotSupported);
    if (Is(member, L"Add")) {
        Need(args, 2);
        return args[0].AsInt() + args[1].AsInt();
    }
    if (Is(member, L"Twice")) {
        Need(args, 1);
        args[0] = args[0].AsInt() * 2;
        return {};
    }
    if (Is(member, L"Swap")) {
        Need(args, 2);
        std::swap(args[0], args[1]);
        return {};
    }
    if (Is(member, L"Echo")) {
        Need(args, 1);
        return args[0];
    }
    if (Is(member, L"Fail")) {
        Need(args, 3);
        Raise(args[0].AsInt(), args[1].AsString(), args[2].AsString());
    }
    if (Is(member, L"Self")) return shared_from_this();
    if (Is(member, L"Fire")) {
        if (args.empty()) Raise(err::WrongArguments);
        Args rest(args.begin() + 1, args.end());
        events.Raise(args[0].AsString(), rest);
        std::copy(rest.begin(), rest.end(), args.begin() + 1);
        return {};
    }
    Raise(err::NotSupported);
}

}  // namespace brisko::win::test
