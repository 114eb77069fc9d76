// lang-check: the translator's checker for language files.
#include <cstring>
#include <iostream>
#include <string>

#include "addin/host/globals.h"
#include "automation/text.h"
#include "platform/sim/sim_platform.h"
#include "tools/lang-check/check.h"
#ifdef _WIN32
#include "platform/win/win_platform.h"
#endif

int main(int argc, char** argv) {
    brisko::tools::CheckOptions options;
    std::string file;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--product" && i + 1 < argc) {
            options.product = brisko::FromUtf8(argv[++i]);
        } else if (a == "--brief") {
            options.listKeys = false;
        } else if (a == "-h" || a == "--help" || (!a.empty() && a[0] == '-') || !file.empty()) {
            std::cerr << "usage: lang-check [--product NAME] [--brief] FILE.lng\n"
                         "Reads the language file as the add-in does and prints every message it logs,\n"
                         "its sections and keys, and the add-in's keys it lacks or doesn't use.\n"
                         "Exit code 0 when the file loads, 1 when it would not, 2 for a wrong call.\n";
            return a == "-h" || a == "--help" ? 0 : 2;
        } else {
            file = a;
        }
    }
    if (file.empty()) {
        std::cerr << "lang-check: no file given (lang-check --help)\n";
        return 2;
    }
    brisko::sim::SimPlatform platform;
    platform.Install();
#ifdef _WIN32
    // Paths and files in the system code page of the machine.
    brisko::win::WinCodePage codePage;
    auto p = brisko::CurrentPlatform();
    p.codePage = &codePage;
    brisko::SetPlatform(p);
    options.file = codePage.FromAnsi(file);
#else
    options.file = brisko::FromUtf8(file);
#endif
    const int rc = brisko::tools::CheckLanguageFile(options, platform.torvik, std::cout);
    brisko::ReleaseProcessObjects();
    return rc;
}
