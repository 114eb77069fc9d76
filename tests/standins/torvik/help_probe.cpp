// Stands in for the shell in help tests: writes its one argument (UTF-8) to the file named by
// TORVIK_HELP_PROBE_OUT and exits with TORVIK_HELP_PROBE_EXIT (default 0).
#include <windows.h>
#include <shellapi.h>

#include <string>

int main() {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) return 90;
    const std::wstring arg = argc == 2 ? argv[1] : L"<" + std::to_wstring(argc - 1) + L" arguments>";
    LocalFree(argv);

    wchar_t out[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"TORVIK_HELP_PROBE_OUT", out, MAX_PATH) == 0) return 91;
    const int n = WideCharToMultiByte(CP_UTF8, 0, arg.data(), static_cast<int>(arg.size()), nullptr, 0, nullptr,
                                      nullptr);
    std::string text(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, arg.data(), static_cast<int>(arg.size()), text.data(), n, nullptr, nullptr);
    HANDLE f = CreateFileW(out, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return 92;
    DWORD written = 0;
    WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(f);

    wchar_t code[16] = {};
    if (GetEnvironmentVariableW(L"TORVIK_HELP_PROBE_EXIT", code, 16) == 0) return 0;
    return _wtoi(code);
}
