// Several pipeline threads activating filters and locking the server at once: every count is
// changed atomically, so the module ends with nothing alive and lets itself be unloaded.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "FilterPipeline/PDLStreamFilter/FilterClassId.h"
#include "host/pipeline/FilterModule.h"
#include "seam/FilterPipelineInterfaces.h"

namespace {
constexpr int kThreads = 8;
constexpr int kRounds = 2000;

// One round of what a pipeline thread does; counts the calls that did not give what they should.
int ActivateAndRelease(const FilterModule& module) {
    int failures = 0;
    IClassFactory* factory = nullptr;
    failures += module.GetClassObject(CLSID_PDLStreamFilter, IID_IClassFactory,
                                      reinterpret_cast<void**>(&factory)) != S_OK;
    if (factory == nullptr) {
        return failures;
    }
    failures += factory->LockServer(TRUE) != S_OK;
    IPrintPipelineFilter* filter = nullptr;
    failures += factory->CreateInstance(nullptr, IID_IPrintPipelineFilter,
                                        reinterpret_cast<void**>(&filter)) != S_OK;
    if (filter != nullptr) {
        IUnknown* unknown = nullptr;
        failures +=
            filter->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)) != S_OK;
        failures += module.CanUnloadNow() != S_FALSE;
        unknown->Release();
        filter->Release();
    }
    failures += factory->LockServer(FALSE) != S_OK;
    factory->Release();
    return failures;
}

TEST(FilterModuleConcurrency, ThreadsCreatingFiltersAndLockingTheServerLeaveTheModuleUnloadable) {
    const FilterModule module(FilterModule::PathBesideExecutable());
    std::atomic<int> failures{0};
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            while (!go.load()) {
                std::this_thread::yield();
            }
            for (int round = 0; round < kRounds; ++round) {
                failures += ActivateAndRelease(module);
            }
        });
    }
    go.store(true);
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(0, failures.load());
    EXPECT_EQ(S_OK, module.CanUnloadNow());
}
}  // namespace
