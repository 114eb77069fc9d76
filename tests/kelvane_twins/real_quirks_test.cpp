// The real calendar's GetMinSize late bound under Wine: its IDispatch refuses Variant references
// for the int outputs whatever they hold, and takes Long references; Object::Invoke passes Variant
// references and, refused, Long references, so the add-in's call answers as on Windows.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include "automation/error.h"
#include "automation/win/variant.h"
#include "controls/sim/kelvane_twins.h"
#include "tests/controls/container.h"
#include "tests/controls/kelvane_testing.h"

namespace brisko::kelvane::test {

namespace {

using kelvane_test::Container;
using kelvane_test::Site;

class RealCalendarTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        container_ = std::make_unique<Container>(400, 300);
        ASSERT_EQ(S_OK, Site::Create(*container_, CLSID_SysMonthCal32, site_));
        ASSERT_EQ(S_OK, site_->Activate({10, 10, 260, 210}));
        dual_ = site_->Control<ISysMonthCal32>();
    }
    void TearDown() override {
        dual_.Reset();
        if (site_) site_->Close();
        site_.Reset();
        container_.reset();
        OleUninitialize();
    }

    std::unique_ptr<Container> container_;
    olectl::ComPtr<Site> site_;
    olectl::ComPtr<ISysMonthCal32> dual_;
};

TEST_F(RealCalendarTest, LateBoundGetMinSizeTakesLongReferencesButNotVariantOnes) {
    {
        const ObjectPtr calendar = win::ObjectFromDispatch(site_->Control<IDispatch>().Get());
        Args size{Value(0), Value(0)};
        calendar->Invoke(L"GetMinSize", CallKind::Get, size);
        EXPECT_EQ(Value(kMonthCalMinWidth), size[0]);
        EXPECT_EQ(Value(kMonthCalMinHeight), size[1]);
        // The other arguments of such a call keep their kind: a Double is refused as before.
        Args mixed{Value(1.5), Value(0)};
        try {
            calendar->Invoke(L"GetMinSize", CallKind::Method, mixed);
            ADD_FAILURE() << "a Double reference was taken";
        } catch (const RuntimeError& e) {
            EXPECT_EQ(err::TypeMismatch, e.number());
        }
        EXPECT_EQ(Value(1.5), mixed[0]);
    }
    LONG w = 0, h = 0;
    VARIANT args[2];
    VariantInit(&args[0]);
    VariantInit(&args[1]);
    args[1].vt = VT_I4 | VT_BYREF;  // arguments go in reverse order
    args[1].plVal = &w;
    args[0].vt = VT_I4 | VT_BYREF;
    args[0].plVal = &h;
    DISPPARAMS params{args, nullptr, 2, 0};
    ASSERT_EQ(S_OK, site_->Control<IDispatch>()->Invoke(2, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr,
                                                       nullptr));
    EXPECT_EQ(kMonthCalMinWidth, w);
    EXPECT_EQ(kMonthCalMinHeight, h);

    // Variant references are refused even when they hold the parameter's own type, int (VT_INT).
    VARIANT inner[2];
    for (VARIANT& v : inner) {
        VariantInit(&v);
        v.vt = VT_INT;
        v.intVal = 0;
    }
    args[1].vt = VT_VARIANT | VT_BYREF;
    args[1].pvarVal = &inner[0];
    args[0].vt = VT_VARIANT | VT_BYREF;
    args[0].pvarVal = &inner[1];
    EXPECT_EQ(DISP_E_TYPEMISMATCH, site_->Control<IDispatch>()->Invoke(2, IID_NULL, 0, DISPATCH_METHOD, &params,
                                                                      nullptr, nullptr, nullptr));
    EXPECT_EQ(0, inner[0].intVal);
}

}  // namespace
}  // namespace brisko::kelvane::test
