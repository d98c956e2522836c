// Runs out of memory on purpose with the run's memory diagnostic in place:
// the process must end with message 41 and status 0xC0000029, not with an
// unhandled exception. Driven by run_windows_tests.sh.
#include <cstddef>
#include <new>

#include "recio/run_end.hpp"
#include "recio/units.hpp"

int main() {
  recio::install_memory_diagnostic();
  // More than any address space holds: operator new fails at once. A call,
  // not a new-expression, which the compiler may leave out.
  ::operator delete(::operator new(static_cast<std::size_t>(-1) / 2));
  return 2;
}
