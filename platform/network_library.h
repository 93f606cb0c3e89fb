// Starting and stopping the process's HTTP library, the counterpart of the socket library
// start and stop that the program does once at start-up and once at exit.
#pragma once

namespace platform {

// Initialises libcurl for the whole process. 0 on success, non-zero otherwise.
int startNetworkLibrary();

// Call only after a successful start, once, at exit. Cancels the timed requests' abandoned
// workers and waits a few seconds for them to end before releasing libcurl's globals; when one
// is still running after that, libcurl is left initialised rather than pulled from under it.
void stopNetworkLibrary();

}  // namespace platform
