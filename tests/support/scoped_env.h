// Saves environment variables and puts them back when the test is over (POSIX tests only).
#pragma once

#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

namespace cw32test {

class ScopedEnv {
public:
    explicit ScopedEnv(std::initializer_list<const char*> names) {
        for (const char* name : names) {
            const char* value = std::getenv(name);
            saved_.push_back({name, value ? value : "", value != nullptr});
        }
    }
    ~ScopedEnv() { Restore(); }

    // Puts the saved values back now (a test that must re-read them, as tzset does, calls this).
    void Restore() {
        for (const Saved& s : saved_) {
            if (s.present) setenv(s.name.c_str(), s.value.c_str(), 1);
            else unsetenv(s.name.c_str());
        }
        saved_.clear();
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    struct Saved {
        std::string name;
        std::string value;
        bool present;
    };
    std::vector<Saved> saved_;
};

}  // namespace cw32test
