// The simulated object model: the application and its session here; stores and folders
// (folders.h), items (items.h), windows (windows.h), command bars (command_bars.h) and the ribbon
// (ribbon.h) in files of their own. Members are installed into the arena's type tables
// (InstallObjectModel); the C++ accessors are for the driver and for tests.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "automation/value.h"
#include "simhost/folders.h"
#include "simhost/items.h"
#include "simhost/sim_object.h"
#include "simhost/sim_outlook.h"
#include "simhost/windows.h"

namespace brisko::sim {

// Fills the arena's type tables with the members of the object model.
void InstallObjectModel(SimOutlook& sim);

class SimApplication : public SimObject {
public:
    explicit SimApplication(SimOutlook& sim) : SimObject(sim, L"Application") {}
    std::wstring Identity() const override { return L"Outlook"; }
};

class SimNameSpace : public SimObject {
public:
    explicit SimNameSpace(SimOutlook& sim);
    SimFolders* FoldersObject() const noexcept { return folders_; }
    std::wstring Identity() const override { return L"MAPI"; }

private:
    SimFolders* folders_;
};

// Stands for the MAPI session behind NameSpace.MAPIOBJECT. Its one member, Session, gives the
// namespace it belongs to (the simulated MAPI has nothing more).
class SimMapiSession : public SimObject {
public:
    explicit SimMapiSession(SimOutlook& sim) : SimObject(sim, L"MAPISession") {}
};

class SimRecipient : public SimObject {
public:
    SimRecipient(SimOutlook& sim, std::wstring name, std::wstring address)
        : SimObject(sim, L"Recipient"), name_(std::move(name)), address_(std::move(address)) {}
    const std::wstring& Name() const noexcept { return name_; }
    const std::wstring& Address() const noexcept { return address_; }
    void Set(std::wstring name, std::wstring address) {
        name_ = std::move(name);
        address_ = std::move(address);
    }
    std::wstring Identity() const override { return name_; }

private:
    std::wstring name_;
    std::wstring address_;
};

}  // namespace brisko::sim
