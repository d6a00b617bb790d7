#include "support/Environment.h"

#include <cstdlib>

namespace testsupport {

ScopedEnvironment::ScopedEnvironment(std::initializer_list<const char*> names)
{
    for (const char* name : names) {
        const char* value = std::getenv(name);
        FSaved[name] = value ? std::optional<std::string>(value) : std::nullopt;
        ::unsetenv(name);
    }
}

ScopedEnvironment::~ScopedEnvironment()
{
    for (const auto& [name, value] : FSaved) {
        if (value)
            ::setenv(name.c_str(), value->c_str(), 1);
        else
            ::unsetenv(name.c_str());
    }
}

}  // namespace testsupport
