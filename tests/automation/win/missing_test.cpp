// An omitted optional argument (Missing) crosses COM as VT_ERROR DISP_E_PARAMNOTFOUND, both ways.
#include <string>
#include <vector>

#include "automation/win/dispatch_object.h"
#include "automation/win/error_mapping.h"
#include "automation/win/object_dispatch.h"
#include "automation/win/variant.h"
#include "test_support.h"

namespace brisko::win::test {
namespace {

// Records the arguments of every call as it received them.
class Recorder final : public Object {
public:
    std::vector<Args> calls;
    Value Invoke(std::wstring_view, CallKind, Args& args) override {
        calls.push_back(args);
        return args.empty() ? Value() : args.back();
    }
};

bool IsParamNotFound(const VARIANT& v) { return v.vt == VT_ERROR && v.scode == DISP_E_PARAMNOTFOUND; }

class MissingArgument : public ComTest {};

TEST_F(MissingArgument, VariantConversionsKeepMissingApartFromEmpty) {
    Variant v = ToVariant(Value(Missing));
    EXPECT_TRUE(IsParamNotFound(v.Get()));
    EXPECT_TRUE(FromVariant(v.Get()).IsMissing());
    EXPECT_TRUE(IsParamNotFound(ToVariantOf(Value(Missing), VT_ERROR).Get()));
    EXPECT_TRUE(IsParamNotFound(ToVariantOf(Value(Missing), VT_VARIANT).Get()));
    EXPECT_EQ(ErrorOf([] { ToVariantOf(Value(Missing), VT_I4); }).number(), err::ParamNotFound);
    EXPECT_EQ(ToVariant(Value()).Get().vt, VT_EMPTY);
    // By reference, as a caller passing its own omitted argument on does.
    VARIANT ref;
    VariantInit(&ref);
    ref.vt = VT_VARIANT | VT_BYREF;
    ref.pvarVal = v.Ptr();
    EXPECT_TRUE(FromVariant(ref).IsMissing());
    EXPECT_EQ(ErrorFromHResult(DISP_E_PARAMNOTFOUND).number(), err::ParamNotFound);
}

TEST_F(MissingArgument, DispatchObjectPassesItByValueAsParamNotFound) {
    auto* raw = new ScriptedDispatch;
    std::vector<VARIANT> seen;
    raw->Add(L"Add", 7, [&](WORD, DISPPARAMS* p, VARIANT*, EXCEPINFO*) {
        seen.assign(p->rgvarg, p->rgvarg + p->cArgs);
        return S_OK;
    });
    {
        auto object = DispatchObject::Wrap(raw);
        object->Call(L"Add", {L"source", Missing, Missing, Value()});
        // rgvarg is reversed: the Empty argument first, the source last.
        ASSERT_EQ(seen.size(), 4u);
        EXPECT_EQ(raw->lastTypes, (std::vector<VARTYPE>{VT_VARIANT | VT_BYREF, VT_ERROR, VT_ERROR,
                                                         VT_VARIANT | VT_BYREF}));
        EXPECT_TRUE(IsParamNotFound(seen[1]));
        EXPECT_TRUE(IsParamNotFound(seen[2]));
        EXPECT_EQ(seen[0].pvarVal->vt, VT_EMPTY);
    }
    raw->Release();
}

TEST_F(MissingArgument, ExposedObjectReceivesMissingThroughDispatchObjectAndRawInvoke) {
    auto recorder = std::make_shared<Recorder>();
    {
        ComPtr<IDispatch> exposed = ExposeObject(recorder);
        auto remote = DispatchObject::Wrap(exposed.Get());
        EXPECT_TRUE(remote->Call(L"Add", {1, Missing, Value(), Missing}).IsMissing());
        ASSERT_EQ(recorder->calls.size(), 1u);
        EXPECT_EQ(recorder->calls[0], (Args{1, Missing, Value(), Missing}));

        // A caller that omits arguments itself: VT_ERROR by value, then by reference.
        DISPID id = DISPID_UNKNOWN;
        wchar_t name[] = L"Add";
        LPOLESTR names[] = {name};
        ASSERT_EQ(exposed->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
        VARIANT omitted;
        VariantInit(&omitted);
        omitted.vt = VT_ERROR;
        omitted.scode = DISP_E_PARAMNOTFOUND;
        VARIANT args[2];
        args[0] = omitted;  // the second argument
        VariantInit(&args[1]);
        args[1].vt = VT_VARIANT | VT_BYREF;
        args[1].pvarVal = &omitted;
        DISPPARAMS params{args, nullptr, 2, 0};
        Variant result;
        ASSERT_EQ(exposed->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, result.Ptr(), nullptr, nullptr), S_OK);
        ASSERT_EQ(recorder->calls.size(), 2u);
        EXPECT_EQ(recorder->calls[1], (Args{Missing, Missing}));
        EXPECT_TRUE(IsParamNotFound(result.Get()));
    }
    EXPECT_EQ(recorder.use_count(), 1);
}

}  // namespace
}  // namespace brisko::win::test
