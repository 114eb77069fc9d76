// The add-in connected to the simulated Outlook (sample mailbox) on the in-memory platform, with
// the controls library's twins, for the quick dialogs driven as a user drives them.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "addin/dialogs/CQuickDialog.h"
#include "addin/dialogs/mForms.h"
#include "addin/dialogs/msgbox.h"
#include "addin/folders/CRecentFolders.h"
#include "addin/host/COptions.h"
#include "addin/host/Connect.h"
#include "addin/host/globals.h"
#include "automation/text.h"
#include "controls/sim/kelvane_twins.h"
#include "platform/ui.h"
#include "simhost/objects.h"
#include "simhost/sample_mailbox.h"
#include "tests/addin/addin_fixture.h"

namespace brisko::testing {

class QuickDialogsTest : public AddinTest {
protected:
    void SetUp() override {
        AddinTest::SetUp();
        CQuickDialog::ResetInstanceCounter();
        mb = sim::BuildSampleMailbox(host);
        host.SetMajorVersion(12);
        platform.clock.now = {2010, 5, 17, 14, 5, 0};
    }
    void TearDown() override {
        if (HasFailure()) {
            for (const auto& r : Log()) {
                if (r.level > 1 || r.detail > 0) std::fprintf(stderr, "  log %d %s: %s\n", r.level, ToUtf8(r.procedure).c_str(), ToUtf8(r.message).c_str());
            }
        }
        Disconnect();
        AddinTest::TearDown();
        EXPECT_EQ(host.ExternalReferences(), 0) << ToUtf8(host.DescribeExternalReferences());
        EXPECT_TRUE(host.EscapedErrors().empty());
    }

    void Connect() {
        connect = std::make_shared<brisko::Connect>();
        Array custom;
        connect->OnConnection(host.ApplicationObject(), 1, nullptr, custom);
        connect->OnStartupComplete(custom);
    }
    void Disconnect() {
        if (!connect) return;
        Array custom;
        connect->OnBeginShutdown(custom);
        connect->OnDisconnection(0, custom);
        connect.reset();
    }

    // The n-th mail of the Inbox (from 1).
    sim::SimItem* Mail(int n) const { return mb.inboxMails.at(static_cast<std::size_t>(n - 1)); }

    sim::SimFormWindow& Task(sim::SimItem* mail, bool topmost = false) {
        ShowQuickTask(mail->Ref(), topmost);
        return *platform.formWindows.last();
    }
    sim::SimFormWindow& Appointment(sim::SimItem* mail, bool topmost = false) {
        ShowQuickAppointment(mail->Ref(), topmost);
        return *platform.formWindows.last();
    }
    const sim::SimFormWindow::Control& C(const sim::SimFormWindow& w, const wchar_t* name) {
        const auto* c = w.Find(name);
        EXPECT_NE(c, nullptr) << ToUtf8(name);
        return *c;
    }
    std::wstring Shown(const sim::SimFormWindow& w, const wchar_t* name) { return w.Shown(C(w, name)); }

    // Items of a folder with a subject.
    std::vector<sim::SimItem*> ItemsWith(sim::SimFolder* folder, const std::wstring& subject) const {
        std::vector<sim::SimItem*> out;
        for (auto* item : folder->Contents()) {
            if (item->Prop(L"Subject") == Value(subject)) out.push_back(item);
        }
        return out;
    }
    bool Logged(const std::wstring& procedure, const std::wstring& message) const {
        for (const auto& r : Log()) {
            if (r.procedure == procedure && r.message.find(message) != std::wstring::npos) return true;
        }
        return false;
    }
    std::vector<std::wstring> Messages() const {
        std::vector<std::wstring> out;
        for (const auto& m : platform.messageBoxes.shown()) out.push_back(m.text);
        return out;
    }
    static Date At(int y, int mo, int d, int h = 0, int mi = 0) { return MakeDate({y, mo, d, h, mi, 0}); }
    bool Open(const wchar_t* form) const { return platform.formWindows.Find(form) != nullptr; }

    sim::SimOutlook host;
    sim::SampleMailbox mb;
    std::shared_ptr<brisko::Connect> connect;
};

}  // namespace brisko::testing
