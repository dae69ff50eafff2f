// BSTR and VARIANT of the stand-in layer: lengths, U+0000 inside a BSTR, and what VariantClear
// releases.
#include <gtest/gtest.h>

#include "seam/Win32Seam.h"
#include "tests/fakes/FakeComObject.h"

namespace {
TEST(OleAutomation, ABstrCarriesItsLengthAndMayHoldU0000) {
    BSTR text = SysAllocStringLen(u"a\0b", 3);
    ASSERT_NE(nullptr, text);
    EXPECT_EQ(3u, SysStringLen(text));
    EXPECT_EQ(6u, SysStringByteLen(text));
    EXPECT_EQ(u'b', text[2]);
    EXPECT_EQ(u'\0', text[3]);
    SysFreeString(text);
    EXPECT_EQ(0u, SysStringLen(nullptr));
    SysFreeString(nullptr);
}

class CountedUnknown : public FakeComObject<IUnknown> {
  public:
    CountedUnknown() : FakeComObject(IID_IUnknown) {}
};

TEST(OleAutomation, VariantClearReleasesWhatTheVariantOwnsAndNothingElse) {
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(u"owned");
    EXPECT_EQ(S_OK, VariantClear(&value));
    EXPECT_EQ(VT_EMPTY, value.vt);
    const int liveBefore = FakeComObjectCount::Live();
    value.vt = VT_UNKNOWN;
    value.punkVal = new CountedUnknown();
    EXPECT_EQ(S_OK, VariantClear(&value));
    EXPECT_EQ(liveBefore, FakeComObjectCount::Live()) << "the VARIANT's reference was released";
    int target = 7;
    value.vt = VT_BYREF | VT_I4;
    value.byref = &target;
    EXPECT_EQ(S_OK, VariantClear(&value));
    EXPECT_EQ(7, target);
}
}  // namespace
