// belvan-cli run as a process to its end, in a folder of the test's own.
#pragma once

#include <gtest/gtest.h>

#include <QStringList>

#include "program_run.h"
#include "test_files.h"

namespace belvan::testing {

class CliTest : public ::testing::Test, protected TestFolder {
  protected:
    // `environment`: NAME=value pairs added to the program's environment.
    static ProgramRun Cli(const QStringList& arguments, const QStringList& environment = {}) {
        return RunProgram(CliProgram(), arguments, environment);
    }
};

}  // namespace belvan::testing
