#include <gtest/gtest.h>

#include "automation/collection.h"
#include "automation/error.h"

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

TEST(Collection, PositionsAndKeys) {
    Collection c;
    c.Add(L"a");
    c.Add(L"b", L"Menu");
    c.Add(L"c", std::nullopt, 1);       // before the first
    c.Add(L"d", std::nullopt, std::nullopt, 3);  // after the third
    ASSERT_EQ(c.Count(), 4);
    EXPECT_EQ(c.Item(1), Value(L"c"));
    EXPECT_EQ(c.Item(2), Value(L"a"));
    EXPECT_EQ(c.Item(3), Value(L"b"));
    EXPECT_EQ(c.Item(4), Value(L"d"));
    // Keys compare without regard to case.
    EXPECT_EQ(c.Item(L"MENU"), Value(L"b"));
    EXPECT_EQ(c.Item(Value(3.0)), Value(L"b"));
    c.Remove(L"menu");
    EXPECT_EQ(c.Count(), 3);
    EXPECT_FALSE(c.HasKey(L"Menu"));
    c.Remove(1);
    EXPECT_EQ(c.Item(1), Value(L"a"));
}

TEST(Collection, ErrorsOfALateBoundCollection) {
    Collection c;
    c.Add(1, L"k");
    EXPECT_EQ(ErrorOf([&] { c.Add(2, L"K"); }), err::DuplicateKey);
    EXPECT_EQ(c.Count(), 1);
    EXPECT_EQ(ErrorOf([&] { (void)c.Item(0); }), err::SubscriptOutOfRange);
    EXPECT_EQ(ErrorOf([&] { (void)c.Item(2); }), err::SubscriptOutOfRange);
    EXPECT_EQ(ErrorOf([&] { (void)c.Item(L"missing"); }), err::InvalidCall);
    EXPECT_EQ(ErrorOf([&] { c.Remove(L"missing"); }), err::InvalidCall);
    EXPECT_EQ(ErrorOf([&] { c.Remove(5); }), err::SubscriptOutOfRange);
    EXPECT_EQ(ErrorOf([&] { c.Add(3, std::nullopt, 4); }), err::SubscriptOutOfRange);
    EXPECT_EQ(ErrorOf([&] { c.Add(3, std::nullopt, 1, 1); }), err::InvalidCall);
    EXPECT_EQ(ErrorOf([&] { (void)c.Item(Value()); }), err::TypeMismatch);
}

TEST(Collection, ReachableByName) {
    auto c = std::make_shared<Collection>();
    ObjectPtr o = c;
    o->Call(L"add", {L"x", L"key"});
    EXPECT_EQ(o->Get(L"COUNT"), Value(1));
    EXPECT_EQ(o->Get(L"Item", {L"key"}), Value(L"x"));
    EXPECT_EQ(ErrorOf([&] { o->Call(L"Sort"); }), err::NotSupported);
    EXPECT_EQ(ErrorOf([&] { o->Call(L"Remove"); }), err::WrongArguments);
}

// Releasing a removed item may call back into the collection.
TEST(Collection, RemovalIsSafeAgainstReentry) {
    struct Reenter : Object {
        Collection* owner = nullptr;
        ~Reenter() override { owner->Add(L"added by destructor"); }
    };
    Collection c;
    auto r = std::make_shared<Reenter>();
    r->owner = &c;
    c.Add(Value(r));
    r.reset();
    c.Remove(1);
    ASSERT_EQ(c.Count(), 1);
    EXPECT_EQ(c.Item(1), Value(L"added by destructor"));
}

}  // namespace
}  // namespace brisko
