// The worker thread's loop: poll the host, send what is due, wait, until asked to stop.
#pragma once

#include "worker/WorkerState.h"

// Never throws: running out of memory while reading the settings ends the worker quietly.
void workerMain(WorkerState& worker) noexcept;
