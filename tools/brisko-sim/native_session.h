// The add-in in this process on the in-memory platform.
#pragma once

#include <memory>

#include "tools/brisko-sim/session.h"

namespace brisko::tools {

std::unique_ptr<AddinSession> MakeNativeSession();

}  // namespace brisko::tools
