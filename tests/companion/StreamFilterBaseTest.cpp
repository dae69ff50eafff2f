// The filter base library through the IPrintPipelineFilter interface: initialisation opens the
// pipeline's streams, the operation runs behind the COM boundary, the write stream is closed when
// it ends, and a failure reaches the pipeline manager.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include "companion/FilterUtilities/MsSafeCoInit.h"
#include "companion/FilterUtilities/StreamFilterBase.h"
#include "companion/Utilities/CPComException.h"
#include "tests/fakes/FakePipeline.h"

namespace {
class TestFilter : public StreamFilterBase {
  public:
    std::function<void(TestFilter&)> operation = [](TestFilter&) {};

    IPrintReadStream* Reader() const { return GetReadStream(); }
    IPrintWriteStream* Writer() const { return GetWriteStream(); }
    using StreamFilterBase::GetJobId;
    using StreamFilterBase::GetPrinterHandle;
    using StreamFilterBase::GetPrinterName;
    using StreamFilterBase::GetUserToken;

  protected:
    void StartOperation_throws() override { operation(*this); }
};

// A pipeline of doubles around one filter; checks on destruction that every double is gone.
class FilterBaseTest : public ::testing::Test {
  protected:
    void SetUp() override {
        liveBefore = FakeComObjectCount::Live();
        reader = new FakeReadStream("%!PS\n");
        writer = new FakeWriteStream();
        communicator = new FakeCommunicator(reader, writer);
        bag = new FakePropertyBag();
        control = new FakeManagerControl();
        filter = new TestFilter();
    }
    void TearDown() override {
        EXPECT_EQ(0u, filter->Release());
        for (IUnknown* double_ :
             std::initializer_list<IUnknown*>{reader, writer, communicator, bag, control}) {
            double_->Release();
        }
        EXPECT_EQ(liveBefore, FakeComObjectCount::Live()) << "every double released";
    }
    HRESULT Initialize() { return filter->InitializeFilter(communicator, bag, control); }

    int liveBefore = 0;
    FakeReadStream* reader = nullptr;
    FakeWriteStream* writer = nullptr;
    FakeCommunicator* communicator = nullptr;
    FakePropertyBag* bag = nullptr;
    FakeManagerControl* control = nullptr;
    TestFilter* filter = nullptr;
};

TEST_F(FilterBaseTest, AnOperationReadsAndWritesThePipelineStreamsAndTheWriterIsClosedAtItsEnd) {
    ASSERT_EQ(S_OK, Initialize());
    EXPECT_EQ(bag, filter->GetIPrintPipelinePropertyBagPtr());
    filter->operation = [](TestFilter& f) {
        char buffer[16];
        ULONG read = 0, written = 0;
        BOOL end = FALSE;
        f.Reader()->ReadBytes(buffer, sizeof buffer, &read, &end);
        f.Writer()->WriteBytes(buffer, read, &written);
    };
    EXPECT_EQ(S_OK, filter->StartOperation());
    EXPECT_EQ("%!PS\n", writer->written);
    EXPECT_EQ(1, writer->closes);
    EXPECT_TRUE(control->shutdownReasons.empty());
}

TEST_F(FilterBaseTest, AFailedOperationGivesItsHresultToTheCallerAndToTheManager) {
    ASSERT_EQ(S_OK, Initialize());
    filter->operation = [](TestFilter&) {
        throw CPComException("CPComException: ", 0, CV_DEBUG_CONTEXT(0x2001),
                             HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
    };
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), filter->StartOperation());
    EXPECT_EQ(std::vector<HRESULT>{HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED)},
              control->shutdownReasons);
    EXPECT_EQ(1, writer->closes) << "the writer is closed on failure too";
}

TEST_F(FilterBaseTest, TheStandardJobPropertiesAreKeptAndMissingOnesLeaveTheirDefaults) {
    int printer = 0, token = 0;
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BYREF;
    value.byref = &printer;
    bag->values[std::basic_string<WCHAR>(WIDE("PrinterHandle"))] = value;
    value.byref = &token;
    bag->values[std::basic_string<WCHAR>(WIDE("UserSecurityToken"))] = value;
    value.vt = VT_UI4;
    value.ulVal = 42;
    bag->values[std::basic_string<WCHAR>(WIDE("PrintJobId"))] = value;
    bag->strings[std::basic_string<WCHAR>(WIDE("PrinterName"))] = WIDE("Office");
    ASSERT_EQ(S_OK, Initialize());
    EXPECT_EQ(std::basic_string<WCHAR>(WIDE("Office")), filter->GetPrinterName().str());
    EXPECT_EQ(static_cast<HANDLE>(&printer), filter->GetPrinterHandle());
    EXPECT_EQ(static_cast<HANDLE>(&token), filter->GetUserToken());
    EXPECT_EQ(42u, filter->GetJobId());

    auto* bare = new TestFilter();
    auto* emptyBag = new FakePropertyBag();
    EXPECT_EQ(S_OK, bare->InitializeFilter(communicator, emptyBag, control));
    EXPECT_TRUE(bare->GetPrinterName().IsEmpty());
    EXPECT_EQ(nullptr, bare->GetPrinterHandle());
    EXPECT_EQ(0u, bare->GetJobId());
    bare->Release();
    emptyBag->Release();
}

TEST_F(FilterBaseTest, TheOperationRunsOnce) {
    ASSERT_EQ(S_OK, Initialize());
    int runs = 0;
    filter->operation = [&runs](TestFilter&) { ++runs; };
    EXPECT_EQ(S_OK, filter->StartOperation());
    EXPECT_EQ(E_UNEXPECTED, filter->StartOperation());
    EXPECT_EQ(1, runs);
}

TEST_F(FilterBaseTest, InitializationFailuresComeBackAsTheirHresult) {
    struct Case {
        const char* label;
        std::function<void(FakeCommunicator&)> arrange;
        HRESULT expected;
    };
    const Case cases[] = {
        {"reader refused", [](FakeCommunicator& c) { c.readerResult = E_OUTOFMEMORY; },
         E_OUTOFMEMORY},
        {"writer refused", [](FakeCommunicator& c) { c.writerResult = E_FAIL; }, E_FAIL},
    };
    const ULONG readerReferences = reader->References();
    const ULONG writerReferences = writer->References();
    for (const Case& c : cases) {
        auto* fresh = new FakeCommunicator(reader, writer);
        std::swap(fresh, communicator);
        fresh->Release();
        c.arrange(*communicator);
        auto* candidate = new TestFilter();
        EXPECT_EQ(c.expected, candidate->InitializeFilter(communicator, bag, control)) << c.label;
        EXPECT_EQ(0u, candidate->Release()) << c.label;
    }
    EXPECT_EQ(readerReferences, reader->References()) << "no stream reference leaked";
    EXPECT_EQ(writerReferences, writer->References()) << "no stream reference leaked";
}

TEST_F(FilterBaseTest, AStreamWithoutTheExpectedInterfaceIsRefused) {
    auto* swapped = new FakeCommunicator(writer, reader);
    EXPECT_EQ(E_NOINTERFACE, filter->InitializeFilter(swapped, bag, control));
    swapped->Release();
}

TEST_F(FilterBaseTest, InitializationNeedsEveryArgumentAndHappensOnce) {
    EXPECT_EQ(E_POINTER, filter->InitializeFilter(nullptr, bag, control));
    EXPECT_EQ(E_POINTER, filter->InitializeFilter(communicator, nullptr, control));
    EXPECT_EQ(E_POINTER, filter->InitializeFilter(communicator, bag, nullptr));
    EXPECT_EQ(S_OK, Initialize());
    EXPECT_EQ(E_UNEXPECTED, Initialize());
}

TEST_F(FilterBaseTest, AShutdownRequestFromAnotherThreadReachesTheRunningOperation) {
    ASSERT_EQ(S_OK, Initialize());
    std::atomic<bool> running{false};
    filter->operation = [&running](TestFilter& f) {
        running = true;
        while (!f.IsShutdownRequested()) {
            std::this_thread::yield();
        }
    };
    std::thread canceller([&] {
        while (!running.load()) {
            std::this_thread::yield();
        }
        EXPECT_EQ(S_OK, filter->ShutdownOperation());
    });
    EXPECT_EQ(S_OK, filter->StartOperation());
    canceller.join();
}

TEST(CUnknownIdentity, TheFactoryCanRecordUnderWhichClassAndInterfaceAnObjectWentOut) {
    auto* filter = new TestFilter();
    EXPECT_TRUE(IsEqualGUID(IID_IPrintPipelineFilter, filter->GetInterfaceId()));
    EXPECT_TRUE(IsEqualGUID(GUID_NULL, filter->GetClassId()));
    const CLSID someClass = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    filter->SetIdentity(someClass, IID_IPrintPipelineFilter);
    EXPECT_TRUE(IsEqualGUID(someClass, filter->GetClassId()));
    EXPECT_EQ(0u, filter->Release());
}

TEST(MsSafeCoInit, NestedGuardsLeaveComAsTheyFoundIt) {
    std::thread([] {
        {
            const MsSafeCoInit outer;
            EXPECT_EQ(S_OK, outer.GetResult());
            const MsSafeCoInit inner;
            EXPECT_EQ(S_FALSE, inner.GetResult());
        }
        EXPECT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) << "COM was fully left";
        CoUninitialize();
    }).join();
}
}  // namespace
