#pragma once

#include "ctl/command_line.h"

namespace lb::ctl {

// Runs one command line to its end; returns the exit code (see Exit).
int run(const Invocation& invocation);

} // namespace lb::ctl
