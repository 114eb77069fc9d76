#include <gtest/gtest.h>

#include "automation/error.h"
#include "automation/object.h"
#include "automation/value.h"

namespace brisko {
namespace {

std::int32_t ErrorOf(auto&& f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        return e.number();
    }
    return 0;
}

TEST(Value, ConversionsFollowLateBoundRules) {
    EXPECT_EQ(Value().AsInt(), 0);
    EXPECT_EQ(Value().AsString(), L"");
    EXPECT_FALSE(Value().AsBool());
    EXPECT_EQ(Value(true).AsInt(), -1);
    EXPECT_EQ(Value(L" 42 ").AsInt(), 42);
    EXPECT_EQ(Value(L"&H10").AsInt(), 16);
    EXPECT_EQ(Value(L"&HFFFFFFFF").AsInt(), -1);
    EXPECT_EQ(Value(L"1e2").AsInt(), 100);
    EXPECT_EQ(Value(L"true").AsInt(), -1);
    // Halves round to even.
    EXPECT_EQ(Value(2.5).AsInt(), 2);
    EXPECT_EQ(Value(3.5).AsInt(), 4);
    EXPECT_EQ(Value(-2.5).AsInt(), -2);
    EXPECT_EQ(Value(12).AsString(), L"12");
    EXPECT_EQ(Value(0.1).AsString(), L"0.1");
    EXPECT_EQ(Value(-1.5).AsString(), L"-1.5");
    EXPECT_EQ(Value(1e20).AsString(), L"1E+20");
    EXPECT_EQ(Value(false).AsString(), L"False");
    EXPECT_TRUE(Value(L"0.5").AsBool());
}

TEST(Value, BadConversionsRaiseTheirErrors) {
    EXPECT_EQ(ErrorOf([] { (void)Value(L"abc").AsInt(); }), err::TypeMismatch);
    EXPECT_EQ(ErrorOf([] { (void)Value(L"").AsDouble(); }), err::TypeMismatch);
    EXPECT_EQ(ErrorOf([] { (void)Value(L"inf").AsDouble(); }), err::TypeMismatch);
    EXPECT_EQ(ErrorOf([] { (void)Value(L"0x10").AsDouble(); }), err::TypeMismatch);
    EXPECT_EQ(ErrorOf([] { (void)Value(3e9).AsInt(); }), err::Overflow);
    EXPECT_EQ(ErrorOf([] { Value v(5000000000LL); }), err::Overflow);
    EXPECT_EQ(ErrorOf([] { (void)Value(Null).AsString(); }), err::InvalidUseOfNull);
    EXPECT_EQ(ErrorOf([] { (void)Value(Null).AsInt(); }), err::InvalidUseOfNull);
    EXPECT_EQ(ErrorOf([] { (void)Value(1).AsObject(); }), err::ObjectRequired);
    EXPECT_EQ(ErrorOf([] { (void)Value(ObjectPtr{}).AsInt(); }), err::TypeMismatch);
    EXPECT_EQ(ErrorOf([] { (void)Value(Array{1, 2}).AsString(); }), err::TypeMismatch);
}

TEST(Value, TypesAndEquality) {
    EXPECT_EQ(Value().TypeName(), L"Empty");
    EXPECT_EQ(Value(7).TypeName(), L"Long");
    EXPECT_EQ(Value(ObjectPtr{}).TypeName(), L"Nothing");
    EXPECT_TRUE(Value(ObjectPtr{}).IsNothing());
    EXPECT_FALSE(Value().IsNothing());
    EXPECT_NE(Value(1), Value(1.0));
    EXPECT_EQ(Value(Array{1, L"a"}), Value(Array{1, L"a"}));
    auto o = std::make_shared<Object>();
    EXPECT_EQ(Value(o), Value(o));
    EXPECT_NE(Value(o), Value(std::make_shared<Object>()));
}

TEST(Value, MissingIsNotEmptyAndConvertsToNothing) {
    const Value m(Missing);
    EXPECT_EQ(m.type(), VarType::Missing);
    EXPECT_TRUE(m.IsMissing());
    EXPECT_FALSE(m.IsEmpty());
    EXPECT_TRUE(m.IsEmptyOrMissing());
    EXPECT_TRUE(Value().IsEmptyOrMissing());
    EXPECT_FALSE(Value(0).IsEmptyOrMissing());
    EXPECT_FALSE(m.IsNumeric());
    EXPECT_EQ(m.TypeName(), L"Error");
    EXPECT_EQ(m, Value(Missing));
    EXPECT_NE(m, Value());
    EXPECT_EQ(ErrorOf([&] { m.AsInt(); }), err::ParamNotFound);
    EXPECT_EQ(ErrorOf([&] { m.AsBool(); }), err::ParamNotFound);
    EXPECT_EQ(ErrorOf([&] { m.AsDouble(); }), err::ParamNotFound);
    EXPECT_EQ(ErrorOf([&] { m.AsDate(); }), err::ParamNotFound);
    EXPECT_EQ(ErrorOf([&] { m.AsString(); }), err::ParamNotFound);
    EXPECT_EQ(ErrorOf([&] { m.AsObject(); }), err::ParamNotFound);
    EXPECT_EQ(ErrorOf([&] { m.AsArray(); }), err::ParamNotFound);
    EXPECT_EQ(RuntimeError(err::ParamNotFound).description(), L"Named argument not found");
}

// Made during this file's static initialisation, before or after value.cpp's.
const Date kMadeAtStartUp = MakeDate({2000, 1, 1, 12, 0, 0});

TEST(Date, DatesMadeDuringStaticInitialisationAreRight) { EXPECT_DOUBLE_EQ(kMadeAtStartUp.serial, 36526.5); }

TEST(Date, SerialsMatchTheAutomationDate) {
    EXPECT_EQ(MakeDate({1899, 12, 30, 0, 0, 0}).serial, 0.0);
    EXPECT_EQ(MakeDate({1900, 1, 1, 0, 0, 0}).serial, 2.0);
    EXPECT_EQ(MakeDate({2000, 1, 1, 12, 0, 0}).serial, 36526.5);
    // Before the epoch the time of day still counts forwards.
    EXPECT_EQ(MakeDate({1899, 12, 29, 6, 0, 0}).serial, -1.25);
    const DateParts p{2026, 2, 28, 23, 59, 59};
    EXPECT_EQ(SplitDate(MakeDate(p)), p);
    EXPECT_EQ(SplitDate(Date{-1.25}), (DateParts{1899, 12, 29, 6, 0, 0}));
    EXPECT_EQ(FormatDate(MakeDate({2024, 2, 29, 0, 0, 0})), L"2024-02-29");
    EXPECT_EQ(FormatDate(MakeDate({2024, 2, 29, 8, 5, 0})), L"2024-02-29 08:05:00");
    EXPECT_EQ(ErrorOf([] { MakeDate({2026, 2, 29, 0, 0, 0}); }), err::InvalidCall);
    EXPECT_EQ(ErrorOf([] { MakeDate({2026, 13, 1, 0, 0, 0}); }), err::InvalidCall);
    EXPECT_EQ(ErrorOf([] { MakeDate({2026, 1, 1, 25, 0, 0}); }), err::InvalidCall);
    EXPECT_EQ(ErrorOf([] { (void)Value(1e9).AsDate(); }), err::Overflow);
}

TEST(Err, CurrentErrorMapsEveryException) {
    try {
        throw std::bad_alloc();
    } catch (...) {
        EXPECT_EQ(CurrentError().number(), err::OutOfMemory);
    }
    try {
        throw std::runtime_error("boom");
    } catch (...) {
        const auto e = CurrentError();
        EXPECT_EQ(e.number(), err::InternalError);
        EXPECT_NE(e.description().find(L"boom"), std::wstring::npos);
    }
    try {
        Raise(91);
    } catch (...) {
        EXPECT_EQ(CurrentError().description(), L"Object variable or With block variable not set");
    }
}

}  // namespace
}  // namespace brisko
