// BSTR and VARIANT of the stand-in layer.
#include <gtest/gtest.h>

#include "seam/Win32Seam.h"
#include "tests/fakes/FakeComObject.h"

namespace {
TEST(OleAutomation, ABstrCarriesItsByteLengthAndATerminator) {
    BSTR text = SysAllocString(u"PJL");
    ASSERT_NE(nullptr, text);
    EXPECT_EQ(3u, SysStringLen(text));
    EXPECT_EQ(6u, SysStringByteLen(text));
    EXPECT_EQ(6u, reinterpret_cast<const DWORD*>(text)[-1]);
    EXPECT_EQ(u'\0', text[3]);
    SysFreeString(text);
}

TEST(OleAutomation, ABstrMayHoldU0000AndNullsAreHarmless) {
    BSTR text = SysAllocStringLen(u"a\0b", 3);
    EXPECT_EQ(3u, SysStringLen(text));
    EXPECT_EQ(u'b', text[2]);
    SysFreeString(text);
    EXPECT_EQ(nullptr, SysAllocString(nullptr));
    EXPECT_EQ(0u, SysStringLen(nullptr));
    SysFreeString(nullptr);
    BSTR zeroed = SysAllocStringLen(nullptr, 2);
    EXPECT_EQ(u'\0', zeroed[0]);
    SysFreeString(zeroed);
}

class CountedUnknown : public FakeComObject<IUnknown> {
  public:
    CountedUnknown() : FakeComObject(IID_IUnknown) {}
};

TEST(OleAutomation, VariantClearReleasesWhatTheVariantOwns) {
    VARIANT value;
    VariantInit(&value);
    EXPECT_EQ(VT_EMPTY, value.vt);
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(u"owned");
    EXPECT_EQ(S_OK, VariantClear(&value));
    EXPECT_EQ(VT_EMPTY, value.vt);

    const int liveBefore = FakeComObjectCount::Live();
    value.vt = VT_UNKNOWN;
    value.punkVal = new CountedUnknown();
    EXPECT_EQ(S_OK, VariantClear(&value));
    EXPECT_EQ(liveBefore, FakeComObjectCount::Live()) << "the VARIANT's reference was released";
}

TEST(OleAutomation, VariantClearLeavesByReferenceValuesAloneAndRefusesArrays) {
    int target = 7;
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BYREF | VT_I4;
    value.byref = &target;
    EXPECT_EQ(S_OK, VariantClear(&value));
    EXPECT_EQ(7, target);
    value.vt = VT_ARRAY | VT_UI1;
    EXPECT_EQ(DISP_E_BADVARTYPE, VariantClear(&value));
    EXPECT_EQ(VT_ARRAY | VT_UI1, value.vt);
}
}  // namespace
