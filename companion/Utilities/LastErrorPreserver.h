// Keeps the thread's last OS error code as it was: reads it (and sets it back at once) when made,
// and restores it when the scope is left, whatever ran in between and however the scope ends.
#pragma once

#include "seam/Win32Seam.h"

class LastErrorPreserver {
  public:
    LastErrorPreserver() noexcept;
    ~LastErrorPreserver();
    LastErrorPreserver(const LastErrorPreserver&) = delete;
    LastErrorPreserver& operator=(const LastErrorPreserver&) = delete;

    DWORD Value() const noexcept { return saved; }

  private:
    DWORD saved;
};
