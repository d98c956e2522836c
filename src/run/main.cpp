#include "run/run_sequence.hpp"

int main() { return tiral::run_program(); }
