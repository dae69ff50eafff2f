// The filter base library through the IPrintPipelineFilter interface, where the driver's tests do
// not reach: initialisation refused without leaking a stream, the operation run once, and COM
// initialisation nested. (Reading, writing, closing and failures are the driver's tests.)
#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "companion/FilterUtilities/MsSafeCoInit.h"
#include "companion/FilterUtilities/StreamFilterBase.h"
#include "tests/fakes/FakePipeline.h"

namespace {
class TestFilter : public StreamFilterBase {
  public:
    std::function<void(TestFilter&)> operation = [](TestFilter&) {};

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
