// The C++ runtime's throw and pure-call hooks, for a program built without exceptions. The
// library's own versions throw, and throwing brings in the unwinder, winpthreads and the
// demangler of the verbose terminate handler: over 150 KB for paths that can only end the process.
// These end it at once, as an uncaught exception would. Windows build only.
#include <cstddef>
#include <cstdlib>

namespace std {

[[noreturn]] void __throw_bad_exception() {
  std::abort();
}
[[noreturn]] void __throw_bad_alloc() {
  std::abort();
}
[[noreturn]] void __throw_bad_array_new_length() {
  std::abort();
}
[[noreturn]] void __throw_bad_cast() {
  std::abort();
}
[[noreturn]] void __throw_bad_typeid() {
  std::abort();
}
[[noreturn]] void __throw_logic_error(const char*) {
  std::abort();
}
[[noreturn]] void __throw_domain_error(const char*) {
  std::abort();
}
[[noreturn]] void __throw_invalid_argument(const char*) {
  std::abort();
}
[[noreturn]] void __throw_length_error(const char*) {
  std::abort();
}
[[noreturn]] void __throw_out_of_range(const char*) {
  std::abort();
}
[[noreturn]] void __throw_out_of_range_fmt(const char*, ...) {
  std::abort();
}
[[noreturn]] void __throw_runtime_error(const char*) {
  std::abort();
}
[[noreturn]] void __throw_range_error(const char*) {
  std::abort();
}
[[noreturn]] void __throw_overflow_error(const char*) {
  std::abort();
}
[[noreturn]] void __throw_underflow_error(const char*) {
  std::abort();
}
[[noreturn]] void __throw_system_error(int) {
  std::abort();
}
[[noreturn]] void __throw_bad_function_call() {
  std::abort();
}

}  // namespace std

// Called for a pure virtual call; the library's version goes through std::terminate.
extern "C" [[noreturn]] void __cxa_pure_virtual() {
  std::abort();
}

// The library's operator new throws std::bad_alloc from code built with exceptions, which brings
// the unwinder in by itself. Out of memory ends the process here, as it would uncaught.
void* operator new(std::size_t size) {
  void* memory = std::malloc(size != 0 ? size : 1);
  if (memory == nullptr) {
    std::abort();
  }
  return memory;
}
void* operator new[](std::size_t size) {
  return operator new(size);
}
void operator delete(void* memory) noexcept {
  std::free(memory);
}
void operator delete[](void* memory) noexcept {
  std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
  std::free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
  std::free(memory);
}
