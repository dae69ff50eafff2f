// Keeps COM initialised on the thread while it lives, and undoes only an initialisation it made.
#pragma once

#include "seam/Win32Seam.h"

class MsSafeCoInit {
  public:
    MsSafeCoInit();
    ~MsSafeCoInit();
    MsSafeCoInit(const MsSafeCoInit&) = delete;
    MsSafeCoInit& operator=(const MsSafeCoInit&) = delete;

    HRESULT GetResult() const noexcept { return result; }

  private:
    HRESULT result;
};
