// The one translation of an escaping exception into the HRESULT of a COM method, so that every
// COM method can be a few lines around a function that throws.
#pragma once

#include <string>
#include <utility>

#include "seam/Win32Seam.h"

// To be called from inside a catch block only: GetHresult() of a CPComException (E_FAIL when that
// is not a failure code), E_OUTOFMEMORY for exhausted memory, E_FAIL for anything else.
HRESULT HresultFromCurrentException() noexcept;

// What a failed call tells its caller beyond the HRESULT: the kind of exception and its message.
struct ComFailure {
    HRESULT hresult = S_OK;
    std::string kind;
    std::string message;
};

// To be called from inside a catch block only: the HRESULT as above, with kind and message
// (empty when building them runs out of memory).
ComFailure DescribeCurrentException() noexcept;

template <typename Body>
HRESULT RunAtComBoundary(Body&& body) noexcept {
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        return HresultFromCurrentException();
    }
}

template <typename Body>
HRESULT RunAtComBoundary(Body&& body, ComFailure& failure) noexcept {
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        failure = DescribeCurrentException();
        return failure.hresult;
    }
}
