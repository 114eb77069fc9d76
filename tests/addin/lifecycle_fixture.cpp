#include "lifecycle_fixture.h"

#include "addin/folders/CRecentFolders.h"

namespace brisko::testing {

namespace {

class RecLanguage : public ILanguage {
public:
    explicit RecLanguage(Journal& j) : j_(j) {}
    void InitEx(const std::wstring& product) override { j_.Add(L"lang.InitEx " + product); }
    std::wstring Item(const std::wstring& key) override { return key; }

private:
    Journal& j_;
};

// The real list with its connection-facing members recorded.
class RecRecent : public CRecentFolders {
public:
    RecRecent(Journal& j, const double& lmt) : j_(j), lmt_(lmt) {}
    ~RecRecent() override { j_.Add(L"recent.release " + name_); }
    void Init(const std::wstring& name) override {
        name_ = name;
        j_.Add(L"recent.Init " + name);
    }
    void Save() override { j_.Add(L"recent.Save " + name_); }
    double LMT() const override { return lmt_; }
    int MaxCount() const override { return 2; }

private:
    Journal& j_;
    const double& lmt_;
    std::wstring name_;
};

class RecInspectors : public IInspectorsTracker {
public:
    RecInspectors(Journal& j, std::weak_ptr<InspectorsEvents>& sink,
                  std::vector<std::shared_ptr<IInspectorWrapper>>& wrappers)
        : j_(j), sink_(sink), wrappers_(wrappers) {
        j_.Add(L"inspectors.new");
    }
    ~RecInspectors() override { j_.Add(L"inspectors.release"); }
    void SetEventSink(std::weak_ptr<InspectorsEvents> sink) override { sink_ = std::move(sink); }
    void Init(const ObjectPtr& inspectors) override {
        j_.Add(std::wstring(L"inspectors.Init ") + (inspectors ? inspectors->TypeName() : L"Nothing"));
    }
    void Done() override { j_.Add(L"inspectors.Done"); }
    std::vector<std::shared_ptr<IInspectorWrapper>> GetWrappers() override { return wrappers_; }

private:
    Journal& j_;
    std::weak_ptr<InspectorsEvents>& sink_;
    std::vector<std::shared_ptr<IInspectorWrapper>>& wrappers_;
};

class RecMenu : public IExplorerMenu {
public:
    explicit RecMenu(Journal& j) : j_(j) {}
    ~RecMenu() override { j_.Add(L"menu.release"); }
    void Create(const ObjectPtr& explorer, const std::wstring& key) override {
        j_.Add(std::wstring(L"menu.Create ") + (explorer ? explorer->TypeName() : L"Nothing"));
        key_ = key;
    }
    void UpdateButtons(int reason) override { j_.Add(L"menu.UpdateButtons " + std::to_wstring(reason)); }

private:
    Journal& j_;
    std::wstring key_;
};

class RecGrelmo : public IContextMenuEvents {
public:
    explicit RecGrelmo(Journal& j) : j_(j) { j_.Add(L"grelmo.new"); }
    ~RecGrelmo() override { j_.Add(L"grelmo.release"); }
    void Init(const ObjectPtr& app) override {
        j_.Add(std::wstring(L"grelmo.Init ") + (app ? app->TypeName() : L"Nothing"));
    }

private:
    Journal& j_;
};

}  // namespace

void LifecycleTest::SetUp() {
    AddinTest::SetUp();
    mailbox = sim::BuildSampleMailbox(host);
    auto& s = Services();
    s.newLanguage = [this] { return std::make_shared<RecLanguage>(journal); };
    s.newRecentFolders = [this] { return std::make_shared<RecRecent>(journal, lmt); };
    s.newInspectorsTracker = [this] {
        return std::make_shared<RecInspectors>(journal, inspectorSink, inspectorWrappers);
    };
    s.newExplorerMenu = [this] { return std::make_shared<RecMenu>(journal); };
    s.newContextMenuEvents = [this] { return std::make_shared<RecGrelmo>(journal); };
}

void LifecycleTest::TearDown() {
    connect.reset();
    Forms().UnloadAll();
    AddinTest::TearDown();
}

void LifecycleTest::Connect(int major) {
    host.SetMajorVersion(major);
    connect = std::make_shared<brisko::Connect>();
    Array custom;
    connect->OnConnection(host.ApplicationObject(), ext_cm_Startup, nullptr, custom);
}

void LifecycleTest::Start(int major) {
    Connect(major);
    Array custom;
    connect->OnStartupComplete(custom);
}

void LifecycleTest::Shutdown() {
    Array custom;
    connect->OnBeginShutdown(custom);
    connect->OnDisconnection(ext_dm_HostShutdown, custom);
}

std::vector<std::wstring> LifecycleTest::Trace() const {
    std::vector<std::wstring> out;
    for (const auto& r : Log()) {
        if (r.level == 1) out.push_back(r.procedure + L"|" + r.message);
    }
    return out;
}

std::size_t LifecycleTest::CountLog(const std::wstring& procedure, const std::wstring& message) const {
    std::size_t n = 0;
    for (const auto& r : Log()) n += (r.procedure == procedure && r.message == message) ? 1 : 0;
    return n;
}

}  // namespace brisko::testing
