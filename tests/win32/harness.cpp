#include "tests/win32/harness.h"

namespace {

struct Registered {
  const char* name;
  WineTestFunction function;
};

Registered g_tests[64];
int g_testCount = 0;
int g_failuresInTest = 0;

}  // namespace

WineTestRegistrar::WineTestRegistrar(const char* name, WineTestFunction function) {
  if (g_testCount < 64) {
    g_tests[g_testCount++] = Registered{name, function};
  }
}

void WineCheck(bool ok, const char* expression, const char* file, int line) {
  if (!ok) {
    ++g_failuresInTest;
    std::printf("  %s:%d: CHECK failed: %s\n", file, line, expression);
  }
}

void WineCheckEq(std::uint64_t actual, std::uint64_t expected, const char* expression,
                 const char* file, int line) {
  if (actual != expected) {
    ++g_failuresInTest;
    std::printf("  %s:%d: CHECK failed: %s (got %llu, want %llu)\n", file, line, expression,
                static_cast<unsigned long long>(actual), static_cast<unsigned long long>(expected));
  }
}

int wmain() {
  int passed = 0;
  int failed = 0;
  for (int i = 0; i < g_testCount; ++i) {
    g_failuresInTest = 0;
    std::printf("[ RUN  ] %s\n", g_tests[i].name);
    std::fflush(stdout);
    g_tests[i].function();
    if (g_failuresInTest == 0) {
      ++passed;
      std::printf("[  OK  ] %s\n", g_tests[i].name);
    } else {
      ++failed;
      std::printf("[ FAIL ] %s\n", g_tests[i].name);
    }
    std::fflush(stdout);
  }
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 && passed > 0 ? 0 : 1;
}
