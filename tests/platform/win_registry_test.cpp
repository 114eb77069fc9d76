// The conformance suite against the real registry.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win/win_registry.h"
#include "tests/platform/registry_conformance.h"

namespace brisko::testing {

std::unique_ptr<RegistryBackend> MakeRegistryBackend() {
    class Backend : public RegistryBackend {
    public:
        Registry& registry() override { return registry_; }
        std::string RunTag() override {
            return "win" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
        }
        bool IsCp1252() override { return GetACP() == 1252; }

    private:
        win::WinRegistry registry_;
    };
    return std::make_unique<Backend>();
}

}  // namespace brisko::testing
