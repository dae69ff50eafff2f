// What the host raises for a run it cannot start as asked: a job file, a file named on the
// command line or an option that cannot be used. The message names the file, key or option.
#pragma once

#include <stdexcept>

class JobFileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};
