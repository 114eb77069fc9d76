// The add-in's process objects over the simulated Outlook for the command surfaces: the host of a
// chosen version, the recent-folder list with a chosen capacity, a language whose texts are set by
// the test, and a ribbon control as Office passes it to the callbacks.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "addin/folders/CRecentFolders.h"
#include "addin/host/globals.h"
#include "addin/lang/CLang.h"
#include "automation/error.h"
#include "simhost/objects.h"
#include "simhost/sample_mailbox.h"
#include "simhost/sim_outlook.h"
#include "tests/addin/addin_fixture.h"

namespace brisko::testing {

// The recent list with the capacity the test chooses.
class SizedRecentFolders : public CRecentFolders {
public:
    explicit SizedRecentFolders(int maxCount) : max_(maxCount) {}
    int MaxCount() const override { return max_; }

private:
    int max_;
};

// IRibbonControl: Id, Context, Tag.
class FakeRibbonControl : public Object {
public:
    FakeRibbonControl(std::wstring id, ObjectPtr context) : id_(std::move(id)), context_(std::move(context)) {}
    Value Invoke(std::wstring_view name, CallKind, Args&) override {
        if (name == L"Id") return Value(id_);
        if (name == L"Context") return Value(context_);
        if (name == L"Tag") return Value(L"");
        Raise(err::NotSupported);
    }
    std::wstring TypeName() const override { return L"IRibbonControl"; }

private:
    std::wstring id_;
    ObjectPtr context_;
};

class SurfacesTest : public AddinTest {
protected:
    void SetUp() override {
        AddinTest::SetUp();
        mb = sim::BuildSampleMailbox(host);
    }
    void TearDown() override {
        Forms().UnloadAll();
        AddinTest::TearDown();
    }

    // The process objects of a connected add-in on this host version.
    void Use(int major, int maxCount = 10) {
        host.SetMajorVersion(major);
        g_oApplication = host.ApplicationObject();
        auto engine = std::make_shared<CLang>();
        // The shipped English texts.
        engine->Init(sim::SimPlatform::DefaultModuleFolder() + L"\\English.lng", L"Brisko");
        lang = engine.get();
        g_oLang = std::make_shared<CLangService>(engine);
        auto list = std::make_shared<SizedRecentFolders>(maxCount);
        list->Init(L"RecentMove2Folders");
        recent = list.get();
        g_oRecentMove2Folders = list;
    }
    // Makes the folder the most recent entry (first).
    void Recent(sim::SimFolder* folder) { recent->SetRecent(folder->Ref()); }
    void Default(sim::SimFolder* folder) { recent->SetDefault(folder->Ref()); }
    ObjectPtr Control(const std::wstring& id, sim::SimObject* window) {
        return std::make_shared<FakeRibbonControl>(id, window ? window->Ref() : nullptr);
    }

    // The error records, for failure messages.
    std::string ErrorText() const {
        std::string out;
        for (const auto& e : Errors()) {
            for (wchar_t c : e) out += c < 128 ? static_cast<char>(c) : '?';
            out += '\n';
        }
        return out;
    }
    // Log records of any level written under the procedure.
    std::size_t CountLogged(const std::wstring& procedure) const {
        std::size_t n = 0;
        for (const auto& r : Log()) n += r.procedure == procedure ? 1 : 0;
        return n;
    }
    // Records of any level as "procedure|number|message".
    std::vector<std::wstring> AllRecords() const {
        std::vector<std::wstring> out;
        for (const auto& r : Log()) out.push_back(r.procedure + L"|" + std::to_wstring(r.errorNumber) + L"|" + r.message);
        return out;
    }

    sim::SimOutlook host;
    sim::SampleMailbox mb;
    CLang* lang = nullptr;
    CRecentFolders* recent = nullptr;
};

}  // namespace brisko::testing
