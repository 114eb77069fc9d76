// The translator's checker: reads a language file as the add-in does and reports what it logs,
// what the file holds, and which of the add-in's keys it lacks or doesn't use.
#pragma once

#include <ostream>
#include <string>

namespace brisko::sim {
class SimTorvik;
}

namespace brisko::tools {

struct CheckOptions {
    std::wstring file;
    std::wstring product = L"Brisko";
    bool listKeys = true;  // list every section with its keys and texts
};

// Runs on the platform installed by the caller, whose support library is log. Returns 0 when the
// file loads, 1 when it would not.
int CheckLanguageFile(const CheckOptions& options, sim::SimTorvik& log, std::ostream& out);

}  // namespace brisko::tools
