#include "common/program_state.h"

namespace {
ProgramState g_state;
}

ProgramState& state() { return g_state; }
void resetState() { g_state = ProgramState{}; }
