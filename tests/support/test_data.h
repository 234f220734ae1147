#pragma once
// Where the test fixtures live: tests/data/ of the source tree, or the directory named by ORV_TEST_DATA.
#include <string>

namespace orvtest
{
// Absolute path of a fixture below the data directory ("themes/base" -> ".../tests/data/themes/base").
std::string DataPath(const std::string& relative = std::string());
}  // namespace orvtest
