// The add-in connected to the simulated Outlook, with the later subsystems replaced by recorders.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "addin/host/Connect.h"
#include "addin/host/globals.h"
#include "addin/host/services.h"
#include "addin_fixture.h"
#include "simhost/objects.h"
#include "simhost/sample_mailbox.h"
#include "simhost/sim_outlook.h"

namespace brisko::testing {

// What the connection did to the services, in order.
struct Journal {
    std::vector<std::wstring> entries;
    void Add(std::wstring e) { entries.push_back(std::move(e)); }
    std::size_t Count(const std::wstring& e) const {
        std::size_t n = 0;
        for (const auto& x : entries) n += x == e ? 1 : 0;
        return n;
    }
    // Position of the first entry equal to e, or -1.
    long IndexOf(const std::wstring& e) const {
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (entries[i] == e) return static_cast<long>(i);
        }
        return -1;
    }
};

// A ribbon handle that records what it was asked to invalidate.
class RecordingRibbon : public Object {
public:
    std::vector<std::wstring> invalidated;
    int invalidateAll = 0;
    Value Invoke(std::wstring_view name, CallKind, Args& args) override {
        if (name == L"InvalidateControl") {
            invalidated.push_back(args.at(0).AsString());
            return {};
        }
        if (name == L"Invalidate") {
            ++invalidateAll;
            return {};
        }
        Raise(438);
    }
};

class LifecycleTest : public AddinTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // OnConnection with the simulated application, then OnStartupComplete.
    void Start(int major);
    void Connect(int major);
    void Shutdown();
    // Log records of debug level as "procedure|message".
    std::vector<std::wstring> Trace() const;
    std::size_t CountLog(const std::wstring& procedure, const std::wstring& message) const;

    sim::SimOutlook host;
    sim::SampleMailbox mailbox;
    Journal journal;
    std::shared_ptr<brisko::Connect> connect;
    std::weak_ptr<InspectorsEvents> inspectorSink;
    double lmt = 0.0;
    std::vector<std::shared_ptr<IInspectorWrapper>> inspectorWrappers;
};

}  // namespace brisko::testing
