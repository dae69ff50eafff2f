// Exception-to-HRESULT mapping of the COM boundary.
#include "ComExceptionBoundary.h"

#include <exception>
#include <new>

#include "CPComException.h"

namespace {
void Describe(ComFailure& failure, const char* kind, const char* message) noexcept {
    try {
        failure.kind = kind;
        failure.message = message;
    } catch (...) {
        failure.kind.clear();
        failure.message.clear();
    }
}
}  // namespace

HRESULT HresultFromCurrentException() noexcept {
    try {
        throw;
    } catch (const CPComException& failure) {
        // A thrown exception is a failure even when the code it carries says otherwise.
        return FAILED(failure.GetHresult()) ? failure.GetHresult() : E_FAIL;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

ComFailure DescribeCurrentException() noexcept {
    ComFailure failure;
    failure.hresult = HresultFromCurrentException();
    try {
        throw;
    } catch (const CPException& exception) {
        Describe(failure, exception.getExceptionType(), exception.getMessage().c_str());
    } catch (const std::exception& exception) {
        Describe(failure, "std::exception", exception.what());
    } catch (...) {
        Describe(failure, "unknown exception", "");
    }
    return failure;
}
