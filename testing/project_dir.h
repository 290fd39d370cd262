#pragma once
// A project directory for tests of the data files.

#include "testing/test_temp_dir.h"

namespace orlund::testing {

using ProjectDir = TestTempDir;

}  // namespace orlund::testing
