#include "support/test_data.h"

#include <cstdlib>

namespace orvtest
{
std::string DataPath(const std::string& relative)
{
    const char* env = std::getenv("ORV_TEST_DATA");
    std::string root = (env && *env) ? env : ORV_TEST_DATA_DIR;
    if (relative.empty())
        return root;
    return root + "/" + relative;
}
}  // namespace orvtest
