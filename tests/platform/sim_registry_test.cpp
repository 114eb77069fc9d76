// The conformance suite against the in-memory registry, and the helpers it offers tests and tools.
#include <gtest/gtest.h>

#include "platform/sim/sim_registry.h"
#include "tests/platform/registry_conformance.h"

namespace brisko {

namespace testing {

std::unique_ptr<RegistryBackend> MakeRegistryBackend() {
    class Backend : public RegistryBackend {
    public:
        Registry& registry() override { return registry_; }
        std::string RunTag() override { return "sim"; }
        bool IsCp1252() override { return true; }

    private:
        sim::SimRegistry registry_;
    };
    return std::make_unique<Backend>();
}

}  // namespace testing

namespace {

using namespace std::string_literals;

TEST(SimRegistry, DumpListsValuesThenSubKeysOfTheTree) {
    sim::SimRegistry r;
    EXPECT_TRUE(r.PresetString("HKCU\\Software\\Corvant\\Brisko", "LangFile", "Deutsch.lng"));
    EXPECT_TRUE(r.PresetDword("HKEY_CURRENT_USER\\software\\corvant\\brisko", "Count", 3));
    EXPECT_TRUE(r.PresetString("HKCU\\Software\\Corvant\\Brisko", "", "Caf\xE9 \"x\"\\y"));
    EXPECT_TRUE(r.Preset("HKCU\\Software\\Corvant\\Brisko\\Box", "raw", reg::Sz, "no null"));
    EXPECT_TRUE(r.Preset("HKCU\\Software\\Corvant\\Brisko\\Box", "bin", reg::Binary, "\x01\0\xFF"s));
    EXPECT_TRUE(r.Preset("HKCU\\Software\\Corvant\\Brisko\\Box", "short", reg::Dword, "\x01\x02"));
    EXPECT_TRUE(r.Preset("HKCU\\Software\\Corvant\\Brisko\\Box", "path", reg::ExpandSz, "%TEMP%\0"s));

    EXPECT_EQ(r.Dump("HKCU\\SOFTWARE\\Corvant\\Brisko"),
              "[HKCU\\Software\\Corvant\\Brisko]\n"
              "@=REG_SZ:\"Caf\\xE9 \\\"x\\\"\\\\y\"\n"
              "\"Count\"=dword:00000003\n"
              "\"LangFile\"=REG_SZ:\"Deutsch.lng\"\n"
              "[HKCU\\Software\\Corvant\\Brisko\\Box]\n"
              "\"bin\"=hex:01,00,ff\n"
              "\"path\"=REG_EXPAND_SZ:\"%TEMP%\"\n"
              "\"raw\"=REG_SZ(no null):\"no null\"\n"
              "\"short\"=hex(4):01,02\n");
    EXPECT_EQ(r.Dump("HKCU\\Software\\Missing"), "");
    EXPECT_EQ(r.Dump("HKXX\\Software"), "");
    EXPECT_FALSE(r.PresetString("Software\\Corvant", "x", "y"));
    EXPECT_EQ(r.OpenHandleCount(), 0u);
}

TEST(SimRegistry, ClassesRootIsTheMachinesSoftwareClasses) {
    sim::SimRegistry r;
    ASSERT_TRUE(r.PresetString("HKCR\\Kelvane.EditBox", "", "Edit box"));
    EXPECT_EQ(r.Dump("HKLM\\Software\\Classes\\Kelvane.EditBox"),
              "[HKLM\\Software\\Classes\\Kelvane.EditBox]\n@=REG_SZ:\"Edit box\"\n");
    std::uint32_t key = 0;
    EXPECT_EQ(r.OpenKey(reg::LocalMachine, "Software\\Classes", reg::AllAccess, key), reg::Success);
    EXPECT_EQ(r.DeleteKey(key, ""), reg::AccessDenied);
    r.DeleteKey(key, "Kelvane.EditBox");
    EXPECT_EQ(r.DeleteKey(reg::ClassesRoot, ""), reg::AccessDenied);
    EXPECT_EQ(r.CloseKey(key), reg::Success);
    EXPECT_EQ(r.Dump("HKCR"), "[HKCR]\n");
}

}  // namespace
}  // namespace brisko
