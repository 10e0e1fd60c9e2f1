// The whole program as the window starts it, for the tests of the form's handlers.
#pragma once

#include "form/program_state.h"
#include "form/start_up.h"
#include "scripted_operator.h"

namespace belvan::testing {

// A program as the window starts it, with the operator answering and the port box naming a
// device that does not exist, so no real serial port is touched.
inline void StartProgram(ProgramState& p, ScriptedOperator& op) {
    p.op = &op;
    p.ctl.ComboBox1.SetText(QStringLiteral("/nonexistent/belvan-port"));
    FormCreate(p);
}

}  // namespace belvan::testing
