// Counts the allocations of the test program, to show that hot paths allocate nothing.
#pragma once

namespace zefo::test {

// Number of calls of the global operator new so far.
long allocationcount();

}  // namespace zefo::test
