// The failure number an operation throws, for tests that expect a failure
// (an overflow above all) where a value would otherwise be.
#pragma once

#include "number/failure.h"

namespace morvane {

// The number of the Failure that operation() throws, 0 when it throws none.
template <typename Operation>
int FailureNumberOf(Operation operation) {
  try {
    operation();
  } catch (const Failure& failure) {
    return failure.number();
  }
  return 0;
}

}  // namespace morvane
