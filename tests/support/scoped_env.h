// An environment variable set (or, given null, removed) for as long as the
// object lives; the earlier value, or its absence, comes back at its end.
#ifndef TESSERA_TESTS_SUPPORT_SCOPED_ENV_H
#define TESSERA_TESTS_SUPPORT_SCOPED_ENV_H

#include <cstdlib>
#include <string>

namespace tessera::test {

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old, had_ = true;
    value ? setenv(name, value, 1) : unsetenv(name);
  }
  ~ScopedEnv() { had_ ? setenv(name_.c_str(), old_.c_str(), 1) : unsetenv(name_.c_str()); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_, old_;
  bool had_ = false;
};

}  // namespace tessera::test

#endif
