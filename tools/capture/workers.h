#pragma once

#include <functional>
#include <string>
#include <vector>

#include "render.h"
#include "report.h"

// The workers: one process per range, forked before any of them opens a
// window, each telling the capture of every frame it keeps on a pipe they
// share. A single range is rendered in the capture's own process.
namespace capture {

// Worker i's work: returns why it failed, or an empty string.
using Work = std::function<std::string(int worker, const Tell &tell)>;

// What the capture does with a report; false stops the other workers.
using Hear = std::function<bool(const Report &)>;

// Runs count workers and hears every report as it comes, failures
// included (a worker that dies too), until every worker has ended. own[i]
// is a descriptor (or -1) for worker i alone: the others close it, and so
// does the capture once they are started.
void run_workers(int count, const std::vector<int> &own, const Work &work, const Hear &hear);

}  // namespace capture
