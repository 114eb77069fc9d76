// A stand-in Torvik.dll for the loader test: remembers what each export received.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace {
std::string g_last;
std::uint8_t g_record[180];
}

extern "C" {

__declspec(dllexport) std::int32_t __stdcall TorvikInitEx(std::uint32_t client, const std::uint8_t* params) {
    std::memcpy(g_record, params, sizeof g_record);
    g_last = "InitEx " + std::to_string(client);
    return 5;
}

__declspec(dllexport) std::int32_t __stdcall TorvikInitComplete(std::uint32_t client) {
    g_last = "InitComplete " + std::to_string(client);
    return 0;
}

__declspec(dllexport) std::int32_t __stdcall TorvikLogMsg(std::uint32_t client, const char* msg, std::int32_t n,
                                                          const char* proc, std::int32_t level, std::int32_t detail) {
    g_last = "LogMsg " + std::to_string(client) + " " + msg + " " + std::to_string(n) + " " + proc + " " +
             std::to_string(level) + " " + std::to_string(detail);
    return 0;
}

__declspec(dllexport) std::int32_t __stdcall TorvikAddAboutMenu(std::uint32_t client, std::uint32_t bar) {
    g_last = "AddAboutMenu " + std::to_string(client) + " " + std::to_string(bar);
    return 1;
}

__declspec(dllexport) const char* __stdcall FakeTorvikLastCall() { return g_last.c_str(); }
__declspec(dllexport) const std::uint8_t* __stdcall FakeTorvikRecord() { return g_record; }

}  // extern "C"
