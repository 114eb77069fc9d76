// A Torvik.dll for the COM tests: InitEx answers 5 (or BRISKO_TEST_INITEX_RESULT), every LogMsg
// is kept and can be read back.
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {
std::string g_log;
std::uint32_t g_client = 0;
}

extern "C" {

__declspec(dllexport) std::int32_t __stdcall TorvikInitEx(std::uint32_t client, const std::uint8_t*) {
    g_client = client;
    char value[16] = {};
    if (GetEnvironmentVariableA("BRISKO_TEST_INITEX_RESULT", value, sizeof value) > 0) return std::atoi(value);
    return 5;
}

__declspec(dllexport) std::int32_t __stdcall TorvikInitComplete(std::uint32_t) { return 0; }

__declspec(dllexport) std::int32_t __stdcall TorvikLogMsg(std::uint32_t, const char* msg, std::int32_t n,
                                                          const char* proc, std::int32_t level, std::int32_t detail) {
    g_log += std::to_string(level) + "|" + std::to_string(detail) + "|" + (proc ? proc : "") + "|" +
             std::to_string(n) + "|" + (msg ? msg : "") + "\n";
    return 0;
}

__declspec(dllexport) std::int32_t __stdcall TorvikAddAboutMenu(std::uint32_t, std::uint32_t) { return 1; }
__declspec(dllexport) std::int32_t __stdcall TorvikShowAbout(std::uint32_t) { return 0; }
__declspec(dllexport) std::int32_t __stdcall TorvikShowContextHelp(std::uint32_t, const char*) { return 0; }

__declspec(dllexport) const char* __stdcall TestTorvikLog() { return g_log.c_str(); }
__declspec(dllexport) std::uint32_t __stdcall TestTorvikClient() { return g_client; }

}  // extern "C"
