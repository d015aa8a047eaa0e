// Starting a program without waiting for it.
#pragma once

#include <string>

// Starts a program without waiting: the first word is looked for in the working directory,
// then along PATH. Returns the process id, 0 on failure (ErrorCode set).
int StartProgram(const std::string& commandLine, int windowState);
// Collects the programs started above that have ended, so none lingers as a zombie. Run mode
// calls it on every pass; StartProgram calls it too.
void ReapStartedPrograms();
