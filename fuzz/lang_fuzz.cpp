// Fuzzes the line reader, ReadSection and the loading, lookup and localisation built on them.
// The input is a language file; its first byte also picks how many bytes each read returns.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "addin/forms/quick_designs.h"
#include "addin/host/globals.h"
#include "addin/lang/CLang.h"
#include "addin/lang/CLangFile.h"
#include "addin/lang/lang_keys.h"
#include "platform/sim/sim_files.h"
#include "platform/sim/sim_platform.h"

namespace {

using namespace brisko;

// One file in memory under any name; everything else is missing.
class MemoryFiles : public Files {
public:
    std::string bytes;
    std::uint32_t chunk = 4096;

    std::unique_ptr<FileReader> OpenRead(const std::string&, std::uint32_t&) override {
        return std::make_unique<Reader>(*this);
    }
    std::unique_ptr<FileWriter> CreateWrite(const std::string&, std::uint32_t& error) override {
        error = file_error::AccessDenied;
        return nullptr;
    }
    bool LastWriteTime(const std::string&, DateParts& local) override {
        local = {2026, 1, 1, 0, 0, 0};
        return true;
    }
    std::vector<FileEntry> Find(const std::string&) override { return {{"fuzz.lng", false}}; }
    bool MakeDirectory(const std::string&) override { return false; }
    bool DeleteDirectory(const std::string&) override { return false; }
    int Utf8ToWide(std::string_view text, wchar_t* out, int capacity, std::uint32_t& error) override {
        const std::wstring w = sim::DecodeUtf8AsWine(text);
        const int n = static_cast<int>(w.size());
        if (text.empty() || (out && capacity < n)) {
            error = file_error::InvalidParameter;
            return 0;
        }
        if (out) std::memcpy(out, w.data(), w.size() * sizeof(wchar_t));
        return n;
    }

private:
    class Reader : public FileReader {
    public:
        explicit Reader(const MemoryFiles& f) : f_(f) {}
        bool Read(std::uint8_t* buffer, std::uint32_t size, std::uint32_t& got, std::uint32_t&) override {
            const std::size_t left = f_.bytes.size() - pos_;
            got = static_cast<std::uint32_t>(std::min<std::size_t>({left, size, f_.chunk}));
            std::memcpy(buffer, f_.bytes.data() + pos_, got);
            pos_ += got;
            return true;
        }

    private:
        const MemoryFiles& f_;
        std::size_t pos_ = 0;
    };
};

struct Setup {
    sim::SimPlatform platform;
    MemoryFiles files;
    Setup() {
        platform.moduleFolder = L"C:\\Brisko";
        platform.Install();
        auto p = CurrentPlatform();
        p.files = &files;
        SetPlatform(p);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Setup setup;
    setup.platform.torvik.Reset();
    setup.files.bytes.assign(reinterpret_cast<const char*>(data), size);
    setup.files.chunk = size == 0 ? 4096u : 1u + (static_cast<std::uint32_t>(data[0]) * 37u) % 4096u;

    const std::wstring path = L"C:\\Brisko\\fuzz.lng";
    {
        CLangFile file;
        std::wstring line;
        if (file.OpenFile(path)) {
            std::size_t total = 0;
            while (file.ReadLine(line)) {
                if (line.size() > CLangFile::kBufferSize) __builtin_trap();
                total += line.size();
            }
            if (total > size) __builtin_trap();
        }
    }
    CLang lang{LangSettings{}};
    for (const wchar_t* section : {L"version", L"Brisko", L"Brisko.texts", L"Brisko.frmQuickTask"}) {
        LangValues values;
        LangKeyList keys;
        lang.ReadSection(path, section, values, L"frm", &keys);
        if (keys.size() > values.size()) __builtin_trap();
    }
    if (lang.Init(path, L"Brisko")) {
        for (const auto& k : SystemLangKeys()) lang.Item(k.key, k.arguments ? Array{Value(L"x")} : Array{});
        for (const auto& [key, text] : lang.Values()) lang.Item(key, {Value(L"a"), Value(2)});
        lang.LocalizeForm(forms::MakeQuickTaskDesign());
        lang.LocalizeForm(forms::MakeQuickAppointmentDesign());
    }
    return 0;
}
