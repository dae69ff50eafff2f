// The module as the pipeline manager uses it: loaded by path and reached only through its three
// exports, with the module object count observed through DllCanUnloadNow.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "FilterPipeline/PDLStreamFilter/FilterClassId.h"
#include "host/pipeline/FilterModule.h"
#include "seam/FilterPipelineInterfaces.h"

namespace {
// Any GUID that is not the filter's class.
constexpr CLSID kOtherClass = {0x12345678, 0x9abc, 0xdef0, {1, 2, 3, 4, 5, 6, 7, 8}};

class FilterModuleActivation : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        module = std::make_unique<FilterModule>(FilterModule::PathBesideExecutable());
    }
    static void TearDownTestSuite() { module.reset(); }

    void SetUp() override { ASSERT_EQ(S_OK, module->CanUnloadNow()) << "a test leaked objects"; }
    void TearDown() override {
        EXPECT_EQ(S_OK, module->CanUnloadNow()) << "objects outlived the test";
    }

    static IClassFactory* Factory() {
        IClassFactory* factory = nullptr;
        EXPECT_EQ(S_OK, module->GetClassObject(CLSID_PDLStreamFilter, IID_IClassFactory,
                                               reinterpret_cast<void**>(&factory)));
        return factory;
    }

    static inline std::unique_ptr<FilterModule> module;
};

// A filter that is never initialised still counts, refuses to start and shuts down cleanly.
TEST_F(FilterModuleActivation, UnloadIsRefusedWhileAFilterLivesAndAllowedAfterItsLastRelease) {
    IClassFactory* factory = Factory();
    IPrintPipelineFilter* filter = nullptr;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IPrintPipelineFilter,
                                            reinterpret_cast<void**>(&filter)));
    factory->Release();
    EXPECT_EQ(S_FALSE, module->CanUnloadNow());
    EXPECT_EQ(E_UNEXPECTED, filter->StartOperation());
    EXPECT_EQ(S_OK, filter->ShutdownOperation());
    EXPECT_EQ(E_POINTER, filter->InitializeFilter(nullptr, nullptr, nullptr));
    EXPECT_EQ(2u, filter->AddRef());
    EXPECT_EQ(1u, filter->Release());
    EXPECT_EQ(S_FALSE, module->CanUnloadNow());
    EXPECT_EQ(0u, filter->Release());
    EXPECT_EQ(S_OK, module->CanUnloadNow());
}

TEST_F(FilterModuleActivation, EveryRequestIsAnsweredByClassAndInterface) {
    IClassFactory* factory = Factory();
    const auto classObject = [](const CLSID& classId, const IID& interfaceId) {
        return [&classId, &interfaceId](void** out) {
            return module->GetClassObject(classId, interfaceId, out);
        };
    };
    const auto query = [factory](const IID& interfaceId) {
        return [factory, &interfaceId](void** out) {
            return factory->QueryInterface(interfaceId, out);
        };
    };
    const auto create = [factory](const IID& interfaceId) {
        return [factory, &interfaceId](void** out) {
            return factory->CreateInstance(nullptr, interfaceId, out);
        };
    };
    struct Case {
        const char* label;
        std::function<HRESULT(void**)> request;
        HRESULT expected;
    };
    const Case cases[] = {
        {"class object as IClassFactory", classObject(CLSID_PDLStreamFilter, IID_IClassFactory),
         S_OK},
        {"class object as IUnknown", classObject(CLSID_PDLStreamFilter, IID_IUnknown), S_OK},
        {"class object as IPrintPipelineFilter",
         classObject(CLSID_PDLStreamFilter, IID_IPrintPipelineFilter), E_NOINTERFACE},
        {"another class", classObject(kOtherClass, IID_IClassFactory), CLASS_E_CLASSNOTAVAILABLE},
        {"the null class", classObject(GUID_NULL, IID_IClassFactory), CLASS_E_CLASSNOTAVAILABLE},
        {"the factory as IUnknown", query(IID_IUnknown), S_OK},
        {"the factory as IPrintPipelineFilter", query(IID_IPrintPipelineFilter), E_NOINTERFACE},
        {"a filter as IPrintPipelineFilter", create(IID_IPrintPipelineFilter), S_OK},
        {"a filter as IUnknown", create(IID_IUnknown), S_OK},
        {"a filter as IClassFactory", create(IID_IClassFactory), E_NOINTERFACE},
        {"a filter as IPrintReadStream", create(IID_IPrintReadStream), E_NOINTERFACE},
        {"an aggregated filter",
         [factory](void** out) { return factory->CreateInstance(factory, IID_IUnknown, out); },
         CLASS_E_NOAGGREGATION},
    };
    for (const Case& c : cases) {
        void* object = reinterpret_cast<void*>(0x1);
        EXPECT_EQ(c.expected, c.request(&object)) << c.label;
        if (SUCCEEDED(c.expected)) {
            ASSERT_NE(nullptr, object) << c.label;
            static_cast<IUnknown*>(object)->Release();
        } else {
            EXPECT_EQ(nullptr, object) << c.label << ": out pointer cleared";
        }
        EXPECT_EQ(E_POINTER, c.request(nullptr)) << c.label << ": no out pointer";
    }
    EXPECT_EQ(0u, factory->Release());
}

TEST_F(FilterModuleActivation, ServerLocksCountPerFactoryAndAnUnlockWithoutALockIsIgnored) {
    struct Step {
        int factory;
        BOOL lock;
        HRESULT canUnload;
    };
    struct Case {
        const char* label;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {"two locks of one factory",
         {{0, TRUE, S_FALSE}, {0, TRUE, S_FALSE}, {0, FALSE, S_FALSE}, {0, FALSE, S_OK}}},
        {"locks of two factories",
         {{0, TRUE, S_FALSE}, {1, TRUE, S_FALSE}, {0, FALSE, S_FALSE}, {1, FALSE, S_OK}}},
        {"an unlock without a lock", {{0, FALSE, S_OK}, {0, TRUE, S_FALSE}, {0, FALSE, S_OK}}},
    };
    for (const Case& c : cases) {
        IClassFactory* factories[] = {Factory(), Factory()};
        for (std::size_t i = 0; i < c.steps.size(); ++i) {
            EXPECT_EQ(S_OK, factories[c.steps[i].factory]->LockServer(c.steps[i].lock));
            EXPECT_EQ(c.steps[i].canUnload, module->CanUnloadNow()) << c.label << ", step " << i;
        }
        for (IClassFactory* factory : factories) {
            factory->Release();
        }
    }
}

}  // namespace
