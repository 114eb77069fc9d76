// Connect as Office reaches it late bound: the ribbon's markup and callbacks by name.
#include "addin/host/Connect.h"
#include "automation/error.h"
#include "automation/text.h"

namespace brisko {

namespace {

ObjectPtr ObjectArg(const Args& args, std::size_t i) { return i < args.size() ? args[i].AsObject() : nullptr; }

}  // namespace

Value Connect::Invoke(std::wstring_view name, CallKind kind, Args& args) {
    if (kind != CallKind::Method && kind != CallKind::Get) Raise(err::NotSupported);
    auto is = [&](const wchar_t* n) { return EqualsNoCase(name, n); };
    auto need = [&](std::size_t n) {
        if (args.size() != n) Raise(err::WrongArguments);
    };
    if (is(L"GetCustomUI")) {
        need(1);
        return Value(GetCustomUI(args[0].AsString()));
    }
    if (is(L"Ribbon_OnLoad")) {
        need(1);
        Ribbon_OnLoad(ObjectArg(args, 0));
        return Value();
    }
    if (is(L"RibbonButton_Action")) {
        need(1);
        RibbonButton_Action(ObjectArg(args, 0));
        return Value();
    }
    if (is(L"RibbonControl_GetEnabled")) {
        need(1);
        return Value(RibbonControl_GetEnabled(ObjectArg(args, 0)));
    }
    if (is(L"RibbonControl_GetVisible")) {
        need(1);
        return Value(RibbonControl_GetVisible(ObjectArg(args, 0)));
    }
    if (is(L"RibbonControl_GetLabel")) {
        need(1);
        return Value(RibbonControl_GetLabel(ObjectArg(args, 0)));
    }
    if (is(L"RibbonButton_GetScreentip")) {
        need(1);
        return Value(RibbonButton_GetScreentip(ObjectArg(args, 0)));
    }
    if (is(L"RibbonButton_GetImage")) {
        need(1);
        return Value(RibbonButton_GetImage(ObjectArg(args, 0)));
    }
    return Object::Invoke(name, kind, args);
}

}  // namespace brisko
