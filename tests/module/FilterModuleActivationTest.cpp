// The module as the pipeline manager uses it: loaded by path and reached only through its three
// exports, with the module object count observed through DllCanUnloadNow.
#include <gtest/gtest.h>

#include <memory>

#include "FilterPipeline/PDLStreamFilter/FilterClassId.h"
#include "host/FilterModule.h"
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

TEST_F(FilterModuleActivation, DllMainAcceptsEveryNotification) {
    for (const DWORD reason : {DLL_THREAD_ATTACH, DLL_THREAD_DETACH}) {
        EXPECT_EQ(TRUE, module->Main(nullptr, reason, nullptr)) << "reason " << reason;
    }
}

TEST_F(FilterModuleActivation, UnloadIsRefusedWhileAFilterLivesAndAllowedAfterItsLastRelease) {
    IClassFactory* factory = Factory();
    IPrintPipelineFilter* filter = nullptr;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IPrintPipelineFilter,
                                            reinterpret_cast<void**>(&filter)));
    factory->Release();
    EXPECT_EQ(S_FALSE, module->CanUnloadNow());
    EXPECT_EQ(2u, filter->AddRef());
    EXPECT_EQ(1u, filter->Release());
    EXPECT_EQ(S_FALSE, module->CanUnloadNow());
    EXPECT_EQ(0u, filter->Release());
    EXPECT_EQ(S_OK, module->CanUnloadNow());
}

TEST_F(FilterModuleActivation, ClassObjectRequestsAreAnsweredByClassAndInterface) {
    struct Case {
        const char* label;
        CLSID classId;
        IID interfaceId;
        HRESULT expected;
    };
    const Case cases[] = {
        {"filter class as IClassFactory", CLSID_PDLStreamFilter, IID_IClassFactory, S_OK},
        {"filter class as IUnknown", CLSID_PDLStreamFilter, IID_IUnknown, S_OK},
        {"filter class as IPrintPipelineFilter", CLSID_PDLStreamFilter, IID_IPrintPipelineFilter,
         E_NOINTERFACE},
        {"another class as IClassFactory", kOtherClass, IID_IClassFactory,
         CLASS_E_CLASSNOTAVAILABLE},
        {"the null class", GUID_NULL, IID_IClassFactory, CLASS_E_CLASSNOTAVAILABLE},
    };
    for (const Case& c : cases) {
        void* object = reinterpret_cast<void*>(0x1);
        EXPECT_EQ(c.expected, module->GetClassObject(c.classId, c.interfaceId, &object)) << c.label;
        if (SUCCEEDED(c.expected)) {
            ASSERT_NE(nullptr, object) << c.label;
            EXPECT_EQ(0u, static_cast<IUnknown*>(object)->Release())
                << c.label << ": one reference";
        } else {
            EXPECT_EQ(nullptr, object) << c.label << ": out pointer cleared";
        }
        EXPECT_EQ(S_OK, module->CanUnloadNow()) << c.label;
    }
}

TEST_F(FilterModuleActivation, NullOutPointersAreRefusedWithEPointer) {
    EXPECT_EQ(E_POINTER, module->GetClassObject(CLSID_PDLStreamFilter, IID_IClassFactory, nullptr));
    IClassFactory* factory = Factory();
    EXPECT_EQ(E_POINTER, factory->QueryInterface(IID_IUnknown, nullptr));
    EXPECT_EQ(E_POINTER, factory->CreateInstance(nullptr, IID_IPrintPipelineFilter, nullptr));
    factory->Release();
}

TEST_F(FilterModuleActivation, FactoryAnswersOnlyIUnknownAndIClassFactory) {
    IClassFactory* factory = Factory();
    struct Case {
        const char* label;
        IID interfaceId;
        HRESULT expected;
    };
    const Case cases[] = {{"IUnknown", IID_IUnknown, S_OK},
                          {"IClassFactory", IID_IClassFactory, S_OK},
                          {"IPrintPipelineFilter", IID_IPrintPipelineFilter, E_NOINTERFACE}};
    for (const Case& c : cases) {
        void* object = reinterpret_cast<void*>(0x1);
        EXPECT_EQ(c.expected, factory->QueryInterface(c.interfaceId, &object)) << c.label;
        if (SUCCEEDED(c.expected)) {
            EXPECT_EQ(static_cast<void*>(factory), object) << c.label;
            EXPECT_EQ(1u, static_cast<IUnknown*>(object)->Release()) << c.label;
        } else {
            EXPECT_EQ(nullptr, object) << c.label;
        }
    }
    EXPECT_EQ(0u, factory->Release());
}

TEST_F(FilterModuleActivation, EveryCallMakesANewFactory) {
    IClassFactory* first = Factory();
    IClassFactory* second = Factory();
    EXPECT_NE(first, second);
    first->Release();
    second->Release();
}

TEST_F(FilterModuleActivation, CreateInstanceHandsOutFiltersByInterface) {
    struct Case {
        const char* label;
        IID interfaceId;
        HRESULT expected;
    };
    const Case cases[] = {{"IPrintPipelineFilter", IID_IPrintPipelineFilter, S_OK},
                          {"IUnknown", IID_IUnknown, S_OK},
                          {"IClassFactory", IID_IClassFactory, E_NOINTERFACE},
                          {"IPrintReadStream", IID_IPrintReadStream, E_NOINTERFACE}};
    IClassFactory* factory = Factory();
    for (const Case& c : cases) {
        void* object = reinterpret_cast<void*>(0x1);
        EXPECT_EQ(c.expected, factory->CreateInstance(nullptr, c.interfaceId, &object)) << c.label;
        if (SUCCEEDED(c.expected)) {
            ASSERT_NE(nullptr, object) << c.label;
            EXPECT_EQ(S_FALSE, module->CanUnloadNow()) << c.label;
            EXPECT_EQ(0u, static_cast<IUnknown*>(object)->Release()) << c.label;
        } else {
            EXPECT_EQ(nullptr, object) << c.label;
        }
        EXPECT_EQ(S_OK, module->CanUnloadNow()) << c.label << ": the object is gone again";
    }
    factory->Release();
}

TEST_F(FilterModuleActivation, AFilterCreatedAsIUnknownStillAnswersIPrintPipelineFilter) {
    IClassFactory* factory = Factory();
    IUnknown* unknown = nullptr;
    ASSERT_EQ(S_OK,
              factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&unknown)));
    factory->Release();
    IPrintPipelineFilter* filter = nullptr;
    EXPECT_EQ(S_OK,
              unknown->QueryInterface(IID_IPrintPipelineFilter, reinterpret_cast<void**>(&filter)));
    EXPECT_EQ(static_cast<void*>(unknown), static_cast<void*>(filter));
    EXPECT_EQ(1u, filter->Release());
    EXPECT_EQ(0u, unknown->Release());
}

TEST_F(FilterModuleActivation, AggregationIsRefusedAndCreatesNothing) {
    IClassFactory* factory = Factory();
    IClassFactory* outer = Factory();
    void* object = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(outer, IID_IUnknown, &object));
    EXPECT_EQ(nullptr, object);
    EXPECT_EQ(S_OK, module->CanUnloadNow());
    outer->Release();
    factory->Release();
}

TEST_F(FilterModuleActivation, AServerLockCountsOncePerFactoryAndEndsWithItsLastUnlock) {
    IClassFactory* factory = Factory();
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    EXPECT_EQ(S_FALSE, module->CanUnloadNow());
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    EXPECT_EQ(S_FALSE, module->CanUnloadNow()) << "one lock is still held";
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    EXPECT_EQ(S_OK, module->CanUnloadNow());
    factory->Release();
}

TEST_F(FilterModuleActivation, LocksOfTwoFactoriesAreCountedApart) {
    IClassFactory* first = Factory();
    IClassFactory* second = Factory();
    first->LockServer(TRUE);
    second->LockServer(TRUE);
    first->LockServer(FALSE);
    EXPECT_EQ(S_FALSE, module->CanUnloadNow()) << "the second factory still holds its lock";
    second->LockServer(FALSE);
    EXPECT_EQ(S_OK, module->CanUnloadNow());
    first->Release();
    second->Release();
}

TEST_F(FilterModuleActivation, AnUnlockWithoutALockDoesNotHideTheNextLock) {
    IClassFactory* factory = Factory();
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    EXPECT_EQ(S_OK, module->CanUnloadNow());
    factory->LockServer(TRUE);
    EXPECT_EQ(S_FALSE, module->CanUnloadNow());
    factory->LockServer(FALSE);
    factory->Release();
}

TEST_F(FilterModuleActivation, AFilterWhoseOperationNeverStartedOnlyLowersTheCountWhenDestroyed) {
    IClassFactory* factory = Factory();
    IPrintPipelineFilter* filters[3] = {};
    for (auto*& filter : filters) {
        ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IPrintPipelineFilter,
                                                reinterpret_cast<void**>(&filter)));
    }
    factory->Release();
    filters[0]->Release();
    filters[1]->Release();
    EXPECT_EQ(S_FALSE, module->CanUnloadNow());
    filters[2]->Release();
    EXPECT_EQ(S_OK, module->CanUnloadNow());
}

TEST_F(FilterModuleActivation, StartOperationBeforeInitializeFilterIsUnexpected) {
    IClassFactory* factory = Factory();
    IPrintPipelineFilter* filter = nullptr;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IPrintPipelineFilter,
                                            reinterpret_cast<void**>(&filter)));
    factory->Release();
    EXPECT_EQ(E_UNEXPECTED, filter->StartOperation());
    EXPECT_EQ(S_OK, filter->ShutdownOperation());
    EXPECT_EQ(E_POINTER, filter->InitializeFilter(nullptr, nullptr, nullptr));
    filter->Release();
}
}  // namespace
