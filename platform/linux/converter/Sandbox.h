#pragma once

// The converter's confinement: a decoder bug must not turn into the user's rights. Called once
// everything the converter needs from the file system is loaded, before it reads a byte of the
// image. Afterwards the process keeps only descriptors 0 to `lastKept`, cannot gain privileges,
// dies with the program, sees an empty file system, network and IPC where the system allows
// unprivileged namespaces, and may only compute, manage its memory and threads, and read and
// write the descriptors it holds (a seccomp filter that holds without the namespaces too). False
// when the filter could not be installed: the converter must not go on then.
bool LockDown(int lastKept);
