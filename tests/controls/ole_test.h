// The fixture of the Kelvane tests: OLE for the length of a test.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include "kelvane_testing.h"

namespace kelvane_test {

class OleTest : public ::testing::Test {
 protected:
  // S_FALSE: OLE is up already on this thread (atl.dll keeps it up); balanced all the same.
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
  void TearDown() override { OleUninitialize(); }
};

}  // namespace kelvane_test
