// The one translation of an escaping exception into the HRESULT of a COM method, so that every
// COM method can be a few lines around a function that throws.
#pragma once

#include <utility>

#include "seam/Win32Seam.h"

// To be called from inside a catch block only: GetHresult() of a CPComException (E_FAIL when that
// is not a failure code), E_OUTOFMEMORY for exhausted memory, E_FAIL for anything else.
HRESULT HresultFromCurrentException() noexcept;

template <typename Body>
HRESULT RunAtComBoundary(Body&& body) noexcept {
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        return HresultFromCurrentException();
    }
}
