// Which of the targets' checks are on. Two of them hold the program to behaviour that is being
// mended beside this work; each stays off until that mend is in the tree, and is turned on there.
// With them on, the seeds and found-* inputs of sense_code and worker_job that show the faults fail.
#pragma once

namespace fuzz {

// A failed command that brought no sense of its own must not be judged by an older command's
// sense: on the ASPI back end the device's sense area reads as empty after such a failure.
inline constexpr bool kCheckFreshSenseAfterFailure = false;

// An ASPI request that the manager may still complete (its abort refused, or still pending after
// the abort's patience) is never reused: neither its request block nor its completion event.
inline constexpr bool kCheckRetiredRequests = false;

}  // namespace fuzz
