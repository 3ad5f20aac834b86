#pragma once
// Runs an installed program, such as a reference decoder or another mail
// client, without a shell and waits for it, with its standard input and
// output connected to files so that large data never stalls in a pipe.

#include <string>
#include <vector>

// True when name is an executable file in one of the folders of PATH.
bool ProgramInstalled(const std::string& name);

// Starts argv[0] (looked up in PATH unless it holds a "/") with stdin read
// from inputPath and stdout written to outputPath (created or emptied); an
// empty path leaves that stream as the caller's. Returns the exit status, or
// -1 when the program could not be started or did not exit normally.
int RunProgram(const std::vector<std::string>& argv, const std::string& inputPath,
               const std::string& outputPath);
