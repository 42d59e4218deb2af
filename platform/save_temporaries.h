// The temporary files that a durable save writes before renaming one over
// the file it replaces. Each is hidden and names the machine and the process
// that writes it, ".<name>.<host>.<process id>.XXXXXX", so that a start can
// tell one cut short by a kill from one that a running game is writing, even
// with the folder shared between machines or containers.
#pragma once

#include <string>

// ".<name>.<host>.<writer>.": the host part stands for this machine's boot
// and this PID namespace, in 16 hex digits.
std::string TemporaryPrefix(const std::string& name, long writer);

// Removes the temporaries of `name` in `dir` that this host wrote and whose
// writer has ended. Another host's, and those of an earlier build that named
// no host, are left alone: their writers cannot be asked from here.
void RemoveStaleTemporaries(const std::string& dir, const std::string& name);
