// Faults of the system inside the whole-run harness's child: a console event
// after the Nth record I/O statement, and one refused system call (the Nth
// read, write, open or rename of the run failing with EIO, ENOSPC or EACCES).
//
// The seam is the linker's: fuzz/afl/CMakeLists.txt links the harness with
// --wrap for those system calls and for the record layer's statements, so
// the program's calls come here first and the shipped program, which is
// linked without, is the same code untouched. Nothing is injected until
// arm() is called, so the harness's own calls pass through.
#pragma once

#include <cstdint>

namespace run_faults {

enum class Call : char { none = 0, read = 'r', write = 'w', open = 'o', rename = 'n' };

// What the harness asks for.
struct Plan {
  int event_signal = 0;          // 0: no console event
  std::int64_t event_after = 0;  // after this many statements (0: before the first)
  Call refused = Call::none;
  int error = 0;               // errno of the refusal
  std::int64_t refused_at = 0;  // the Nth call of that kind, from 1
};

// What happened, written by the child into memory shared with the parent.
struct Outcome {
  bool event_raised = false;
  std::int64_t statements = 0;  // the record I/O statements done
  bool refused = false;
  int fd = -1;             // read, write: the descriptor refused
  bool retried = false;    // open: the same path opened again after the refusal
  bool unnamed = false;    // open: a request for an unnamed work file
  char path[1024] = {};    // open, rename: the path; read, write: what the descriptor names
};

// Shared memory for the outcome, made before the fork; null when refused.
Outcome* make_shared_outcome();

// Raises the plan's event now when it comes before the first statement.
// From here on the child's calls count.
void arm(const Plan& plan, Outcome* outcome);

}  // namespace run_faults
