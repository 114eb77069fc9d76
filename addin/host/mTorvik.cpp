#include "addin/host/mTorvik.h"

#include <memory>

#include "addin/host/COptions.h"
#include "addin/host/CTorvik.h"
#include "addin/host/globals.h"
#include "automation/error.h"
#include "automation/object.h"
#include "platform/platform.h"

namespace brisko {

namespace {

std::unique_ptr<CTorvikWrapper> g_oTorvik;

void Send(std::wstring_view procedure, std::wstring_view message, std::int32_t number, std::int32_t level,
          std::int32_t detail) noexcept {
    try {
        Torvik().LogMsg(message, number, procedure, level, detail);
    } catch (...) {
    }
}

// Logging must not disturb the error its caller is handling.
class KeepPendingError {
public:
    KeepPendingError() : saved_(Err()) {}
    ~KeepPendingError() { Err() = saved_; }

private:
    ErrObject saved_;
};

}  // namespace

CTorvikWrapper& Torvik() {
    if (!g_oTorvik) g_oTorvik = std::make_unique<CTorvikWrapper>();
    return *g_oTorvik;
}

void ReleaseTorvik() noexcept { g_oTorvik.reset(); }

void LogDebug(std::wstring_view procedure, std::wstring_view message, std::int32_t detail) {
    KeepPendingError keep;
    Send(procedure, message, 0, log_level::Debug, detail);
}

void LogWarning(std::wstring_view procedure, std::wstring_view message, std::int32_t detail) {
    KeepPendingError keep;
    Send(procedure, message, 0, log_level::Warning, detail);
}

void LogError(std::wstring_view procedure, std::int32_t number, const std::optional<std::wstring>& description,
              const std::optional<std::wstring>& extra) {
    try {
        const ErrObject pending = Err();
        const std::int32_t n = number == -1 ? pending.Number : number;
        std::wstring text = description ? *description : pending.Description;
        if (extra) text += L"; " + *extra;
        std::wstring name(procedure);
        if (pending.Line != 0) name += L"(" + std::to_wstring(pending.Line) + L")";
        Send(name, text, n, log_level::Error, 1);
    } catch (...) {
    }
    Err().Clear();
}

void Assert(bool condition, std::wstring_view procedure, std::wstring_view message) {
    if (condition) return;
    KeepPendingError keep;
    Send(procedure, L"ASSERT FAILED - " + std::wstring(message), 0, log_level::Error, 1);
}

std::int32_t GetOutlookMajorVersion() {
    try {
        const std::wstring version = GetOf(g_oApplication, L"Version").AsString();
        const auto dot = version.find(L'.');
        // A version without a point is read whole.
        return Value(version.substr(0, dot)).AsInt();
    } catch (...) {
        Err().Set(CurrentError());
        LogError(L"mTorvik.GetOutlookMajorVersion");
        return 0;
    }
}

void MakeWindowTopmost(std::uintptr_t window) {
    try {
        if (auto* desktop = CurrentPlatform().desktop) desktop->MakeTopmost(window);
    } catch (...) {
        Err().Set(CurrentError());
        LogError(L"mTorvik.MakeWindowTopmost");
    }
}

std::wstring TorvikLangIdCallback() {
    try {
        return Options().LangID();
    } catch (...) {
        Err().Clear();
        return {};
    }
}

std::wstring TorvikCurrentUserEmailCallback() {
    try {
        return Services().currentUserEmail();
    } catch (...) {
        return {};
    }
}

void TorvikVersionTextsCallback(std::wstring (&texts)[3]) {
    static const wchar_t* const kKeys[3] = {L"LID_VI_COMMENTS", L"LID_VI_FILE_DESCRIPTION",
                                            L"LID_VI_LEGAL_COPYRIGHT"};
    for (int i = 0; i < 3; ++i) {
        try {
            texts[i] = g_oLang ? g_oLang->Item(kKeys[i]) : std::wstring(kKeys[i]);
        } catch (...) {
            texts[i] = kKeys[i];
        }
    }
}

}  // namespace brisko
