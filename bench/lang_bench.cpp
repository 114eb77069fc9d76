// The language engine on the shipped English file, beside inih parsing the same file and one
// plain read of its bytes.
#include <benchmark/benchmark.h>
#include <ini.h>

#include <cstdio>
#include <string>
#include <unordered_map>

#include "addin/host/globals.h"
#include "addin/lang/CLang.h"
#include "automation/text.h"
#include "platform/sim/sim_platform.h"

namespace {

using namespace brisko;

struct Setup {
    Setup() { platform.Install(); }
    ~Setup() { ReleaseProcessObjects(); }
    std::wstring English() const { return platform.moduleFolder + L"\\English.lng"; }
    std::string EnglishNative() const { return ToUtf8(platform.moduleFolder) + "/English.lng"; }
    sim::SimPlatform platform;
};

Setup& Shared() {
    static Setup setup;
    return setup;
}

void BM_LangInit(benchmark::State& state) {
    auto& s = Shared();
    CLang lang{LangSettings{}};
    for (auto _ : state) {
        if (!lang.Init(s.English(), L"Brisko")) state.SkipWithError("English.lng didn't load");
        benchmark::DoNotOptimize(lang.Values().size());
    }
}
BENCHMARK(BM_LangInit);

void BM_ItemWithoutArguments(benchmark::State& state) {
    auto& s = Shared();
    CLang lang{LangSettings{}};
    if (!lang.Init(s.English(), L"Brisko")) state.SkipWithError("English.lng didn't load");
    const std::wstring key = L"LID_RIBBON_BTN_QUICK_APPOINTMENT_TT";
    for (auto _ : state) benchmark::DoNotOptimize(lang.Item(key));
}
BENCHMARK(BM_ItemWithoutArguments);

void BM_ItemWithArguments(benchmark::State& state) {
    auto& s = Shared();
    CLang lang{LangSettings{}};
    if (!lang.Init(s.English(), L"Brisko")) state.SkipWithError("English.lng didn't load");
    const std::wstring key = L"LID_MSGBOX_RFOLDER_NOT_FOUND";
    const Array args{Value(L"\\\\Mailbox - Ann\\Inbox\\Projects")};
    for (auto _ : state) benchmark::DoNotOptimize(lang.Item(key, args));
}
BENCHMARK(BM_ItemWithArguments);

// inih: one pass over the file, every entry into one map, as a peer INI reader does it.
void BM_InihParse(benchmark::State& state) {
    const std::string path = Shared().EnglishNative();
    for (auto _ : state) {
        std::unordered_map<std::string, std::string> values;
        const int rc = ini_parse(
            path.c_str(),
            [](void* user, const char* section, const char* name, const char* value) {
                auto& v = *static_cast<std::unordered_map<std::string, std::string>*>(user);
                v.emplace(std::string(section) + "." + name, value);
                return 1;
            },
            &values);
        if (rc < 0) state.SkipWithError("inih couldn't open English.lng");
        benchmark::DoNotOptimize(values.size());
    }
}
BENCHMARK(BM_InihParse);

// One read of the file's bytes: the floor for anything that reads it.
void BM_ReadFileBytes(benchmark::State& state) {
    const std::string path = Shared().EnglishNative();
    std::string bytes;
    for (auto _ : state) {
        std::FILE* f = std::fopen(path.c_str(), "rb");
        if (!f) {
            state.SkipWithError("can't open English.lng");
            break;
        }
        char buf[4096];
        bytes.clear();
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) bytes.append(buf, n);
        std::fclose(f);
        benchmark::DoNotOptimize(bytes.size());
    }
}
BENCHMARK(BM_ReadFileBytes);

}  // namespace
