// Process services for the single-instance rule: finding another running
// instance by name, ending it, and starting our own executable again.
#pragma once

#include <string>
#include <vector>

// The executable name the single-instance rule looks for.
constexpr const char* QUORVANE_EXE_NAME = "quorvane";

// Results of FindOtherInstance when no other instance is found.
constexpr int FIND_LIST_FAILED = -1; // the process list could not be read
constexpr int FIND_NO_MATCH = -2;    // no other process has the name
constexpr int FIND_LIST_EMPTY = -3;  // the list was empty or walking it failed

// Looks through the running processes (/proc/<pid>/comm) for one whose name
// equals the first 15 bytes of strExeName (the whole name when shorter; the
// kernel keeps 15 bytes of a process name), compared case-insensitively over
// the whole strings, not as a prefix. Processes that have already exited
// (zombies) do not count. Returns the id of such a process other than
// nOwnPid, or one of the negative results above.
int FindOtherInstance(const std::string& strExeName, int nOwnPid);

// Asks the process to end (SIGTERM) and waits up to nWaitMs milliseconds for
// it to be gone, so that a fresh instance started next does not find it.
// Returns true when the signal was delivered. Ids of 0 or less (which would
// address process groups) and the own process id are refused.
bool TerminateProcessById(int pid, int nWaitMs = 3000);

// Starts the program at strPath with the arguments given (argv[0] is
// strPath) as a detached process in its own session: it is not our child,
// so it leaves no zombie and outlives us. Inherited descriptors other than
// stdin, stdout and stderr are closed. Returns true when the program was
// executed, false when it could not be started.
bool SpawnDetached(const std::string& strPath, const std::vector<std::string>& vecArgs);

// Starts our own executable again, detached, with the arguments given
// (without argv[0]). The executable is started by its real path, so that the
// new process carries the same name as this one.
bool SpawnSelfDetached(const std::vector<std::string>& vecArgs);
