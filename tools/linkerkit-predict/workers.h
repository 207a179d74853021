// The worker pool: the proteins shared out among forked workers, each
// telling the road over a pipe of every protein done or of the failure that
// stopped it, and the road showing the progress and stopping them all at the
// first failure or stop signal.
#pragma once

#include "road_run.h"
#include "work_folder.h"

namespace linkerkit {

// The workers' part: every protein's vectors or scores. Returns 0, or the
// signal that interrupted it; fails with the first worker's message.
int RunWorkers(const RoadRun &run, const WorkFolder &work, int jobs);

}  // namespace linkerkit
