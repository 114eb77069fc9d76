// The add-in's process objects on the simulated platform and Outlook (sample mailbox). On Windows
// the registry is the real one: lists are kept under names of their own and removed afterwards.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "addin/folders/CRecentFolders.h"
#include "addin/folders/mMain.h"
#include "addin/host/COptions.h"
#include "addin/host/CWinReg.h"
#include "addin/host/globals.h"
#include "addin/host/services.h"
#include "failing_registry.h"
#include "platform/sim/sim_platform.h"
#include "simhost/objects.h"
#include "simhost/sample_mailbox.h"
#include "simhost/sim_outlook.h"

#ifdef _WIN32
#include "platform/win/win_platform.h"
#include "platform/win/win_registry.h"
#endif

namespace brisko::testing {

class FoldersTest : public ::testing::Test {
protected:
    void SetUp() override {
        ReleaseProcessObjects();
        Services() = DefaultServices();
        platform.Install();
#ifdef _WIN32
        Platform p = CurrentPlatform();
        p.registry = &winRegistry;
        p.codePage = &winCodePage;
        SetPlatform(p);
        tag = L"-" + std::to_wstring(std::chrono::steady_clock::now().time_since_epoch().count());
#endif
        // The options are made before the host is known: the lists' keys lie directly below
        // Software\Corvant\Brisko, where each test's own names keep them apart.
        Options();
        mb = sim::BuildSampleMailbox(host);
        g_oApplication = host.ApplicationObject();
    }
    void TearDown() override {
        if (!created.empty()) {
            CWinReg key;
            if (key.InitForAllAccess(CWinReg::HKEY_CURRENT_USER(), Options().GetRegPath(false), false)) {
                for (const auto& name : created) key.DeleteKeyRec(name);
            }
        }
        ReleaseProcessObjects();
        Services() = DefaultServices();
        SetPlatform(Platform{});
        EXPECT_EQ(host.ExternalReferences(), 0) << ToUtf8(host.DescribeExternalReferences());
    }

    // A list name of this test (unique on the real registry); its key is removed afterwards.
    std::wstring ListName(const std::wstring& base) {
        created.push_back(base + tag);
        return created.back();
    }
    std::wstring KeyOf(const std::wstring& listName) { return Options().GetRegPath(false) + L"\\" + listName; }
    // Writes values into a list's key, creating it.
    void PresetString(const std::wstring& listName, const std::wstring& name, const std::wstring& value) {
        CWinReg key;
        ASSERT_TRUE(key.InitForWrite(CWinReg::HKEY_CURRENT_USER(), KeyOf(listName), true));
        ASSERT_TRUE(key.WriteString(name, value));
    }
    void PresetDword(const std::wstring& listName, const std::wstring& name, std::int32_t value) {
        CWinReg key;
        ASSERT_TRUE(key.InitForWrite(CWinReg::HKEY_CURRENT_USER(), KeyOf(listName), true));
        ASSERT_TRUE(key.WriteDWORD(name, value));
    }
    // An entry at a position, as the add-in writes it.
    void PresetEntry(const std::wstring& listName, int n, const std::wstring& entry, const std::wstring& store,
                     const std::wstring& path) {
        PresetString(listName, CRecentFolders::ValueName(n, L".EntryID"), entry);
        PresetString(listName, CRecentFolders::ValueName(n, L".StoreID"), store);
        PresetString(listName, CRecentFolders::ValueName(n, L".Path"), path);
    }
    // Every value name of a list's key, in the registry's order.
    std::vector<std::wstring> ValueNames(const std::wstring& listName) {
        std::vector<std::wstring> names;
        CWinReg key;
        if (!key.InitForRead(CWinReg::HKEY_CURRENT_USER(), KeyOf(listName))) return names;
        bool end = false;
        for (int i = 0;; ++i) {
            auto n = key.Values(i, end);
            if (end) break;
            names.push_back(std::move(n));
        }
        return names;
    }
    std::wstring ReadString(const std::wstring& listName, const std::wstring& name) {
        CWinReg key;
        if (!key.InitForRead(CWinReg::HKEY_CURRENT_USER(), KeyOf(listName))) return L"(no key)";
        return key.ReadString(name);
    }

    // A failing registry in front of the test's registry, for the rest of the test.
    FailingRegistry& InstallFailingRegistry() {
        failingRegistry = std::make_unique<FailingRegistry>(*CurrentPlatform().registry);
        Platform p = CurrentPlatform();
        p.registry = failingRegistry.get();
        SetPlatform(p);
        return *failingRegistry;
    }

    const std::vector<sim::LogRecord>& Log() const { return platform.torvik.log(); }
    // Error records as "procedure|number|message".
    std::vector<std::wstring> Errors() const {
        std::vector<std::wstring> out;
        for (const auto& r : Log()) {
            if (r.level == 3) out.push_back(r.procedure + L"|" + std::to_wstring(r.errorNumber) + L"|" + r.message);
        }
        return out;
    }

    // The list's entries as "path" (the paths tests give are single letters or folder paths).
    static std::vector<std::wstring> Paths(const CRecentFolders& list) {
        std::vector<std::wstring> out;
        for (int i = 1; i <= list.Count(); ++i) out.push_back(list.Item(i)->Path);
        return out;
    }

    sim::SimPlatform platform;
#ifdef _WIN32
    win::WinRegistry winRegistry;
    win::WinCodePage winCodePage;
#endif
    sim::SimOutlook host;
    sim::SampleMailbox mb;
    std::wstring tag;
    std::vector<std::wstring> created;
    std::unique_ptr<FailingRegistry> failingRegistry;
};

}  // namespace brisko::testing
