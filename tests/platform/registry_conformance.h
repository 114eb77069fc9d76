// The registry conformance suite: one body of tests that every Registry backend must pass.
// A test program links registry_conformance.cpp and defines MakeRegistryBackend().
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace brisko::testing {

class RegistryBackend {
public:
    virtual ~RegistryBackend() = default;
    virtual Registry& registry() = 0;
    // Distinguishes this test run's keys from those of other runs.
    virtual std::string RunTag() = 0;
    // Names and data are in Windows-1252.
    virtual bool IsCp1252() = 0;
};

std::unique_ptr<RegistryBackend> MakeRegistryBackend();

// Each test works below its own fresh key HKCU\Software\BriskoConformance\<run>-<test>, removed
// afterwards with everything under it.
class RegistryConformance : public ::testing::Test {
protected:
    struct Data {
        std::int32_t result = -1;
        std::uint32_t type = 0;
        std::string bytes;
    };

    void SetUp() override;
    void TearDown() override;

    // Handles opened here are closed after the test; 0 when the call fails.
    std::uint32_t Create(std::string_view path, std::uint32_t access = reg::AllAccess);
    std::uint32_t Open(std::string_view path, std::uint32_t access = reg::AllAccess);
    std::int32_t Set(std::uint32_t key, std::string_view name, std::uint32_t type, std::string_view bytes);
    // The value read with a buffer of the size the registry reports.
    Data Query(std::uint32_t key, std::string_view name);
    std::vector<std::string> SubKeys(std::uint32_t key);
    std::vector<std::string> ValueNames(std::uint32_t key);

    std::unique_ptr<RegistryBackend> backend_;
    Registry* reg_ = nullptr;
    std::uint32_t base_ = 0;
    std::string basePath_;
    std::vector<std::uint32_t> opened_;
};

}  // namespace brisko::testing
