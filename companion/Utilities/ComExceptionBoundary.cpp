// Exception-to-HRESULT mapping of the COM boundary.
#include "ComExceptionBoundary.h"

#include <exception>
#include <new>

#include "CPComException.h"

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
