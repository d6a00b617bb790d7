#pragma once
// Environment variables changed for a while: the named ones are saved and unset, and when it goes
// each gets its old value back, or is unset again when it had none.
#include <initializer_list>
#include <map>
#include <optional>
#include <string>

namespace testsupport {

class ScopedEnvironment {
public:
    explicit ScopedEnvironment(std::initializer_list<const char*> names);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::map<std::string, std::optional<std::string>> FSaved;
};

}  // namespace testsupport
