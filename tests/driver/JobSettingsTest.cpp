// Job settings from the property bag, the driver's tables and the user's name, and the insertion
// list built from them.
#include <gtest/gtest.h>

#include "FilterPipeline/PDLStreamFilter/JobSettings.h"
#include "FilterPipeline/PDLStreamFilter/PDLInsertionListBuilder.h"
#include "tests/fakes/FakePipeline.h"
#include "tests/support/WideText.h"

namespace {
std::basic_string<WCHAR> Name(const char16_t* name) {
    return Wide(name);
}

VARIANT Number(VARTYPE type, LONGLONG value) {
    VARIANT variant;
    VariantInit(&variant);
    variant.vt = type;
    variant.llVal = value;
    return variant;
}

class Bag {
  public:
    Bag() : bag(new FakePropertyBag()) {}
    ~Bag() { bag->Release(); }
    FakePropertyBag* operator->() { return bag; }
    FakePropertyBag* get() { return bag; }

  private:
    FakePropertyBag* bag;
};

TEST(JobSettings, TextPropertiesAndPresenceFlagsAreRead) {
    Bag bag;
    bag->strings = {{Name(u"Corvo_PjlToInsert"), Name(u"@PJL SET A=1\r\n")},
                    {Name(u"Corvo_JobLevelPsToInsert"), Name(u"   ")},
                    {Name(u"PDLEncryptionPassPhrase"), Name(u"pw")},
                    {Name(u"Corvo_QcptForNonXps"), Name(u"<t/>")}};
    bag->values = {{Name(u"RemoveNativeStaplingFlag"), Number(VT_BOOL, 0)},
                   {Name(u"LegacyGreenFax"), Number(VT_EMPTY, 0)},
                   {Name(u"Corvo_PclmCustomTicketToInsert"), Number(VT_I4, 5)}};
    JobSettings settings;
    settings.ReadPipelineProperties(bag.get(), PdlValue::PostScript);
    EXPECT_EQ(u"@PJL SET A=1\r\n", Utf16(settings.pjlToInsert));
    EXPECT_EQ(u"   ", Utf16(settings.jobLevelPs)) << "blanks are a text";
    EXPECT_EQ(u"", Utf16(settings.pclmCustomTicket))
        << "a number where a text belongs counts as absent";
    EXPECT_TRUE(settings.removeNativeStapling) << "present, even as false";
    EXPECT_TRUE(settings.legacyGreenFax) << "present, even empty";
    EXPECT_EQ(u"pw", Utf16(settings.passPhrase));
    EXPECT_EQ(u"<t/>", Utf16(settings.qcptTicket));

    JobSettings xps;
    xps.ReadPipelineProperties(bag.get(), PdlValue::Xps);
    EXPECT_EQ(u"", Utf16(xps.qcptTicket));
    const auto& asked = bag->requestedNames;
    EXPECT_EQ(1, std::count(asked.begin(), asked.end(), Name(u"Corvo_QcptForNonXps")))
        << "not read for XPS";
}

TEST(JobSettings, APageCountIsTakenExactlyOrNotAtAll) {
    struct Case {
        const char* label;
        VARIANT value;
        DWORD expected;
    };
    const Case cases[] = {
        {"VT_I4 12", Number(VT_I4, 12), 12},
        {"VT_UI2 65535", Number(VT_UI2, 65535), 65535},
        {"VT_UI4 70000 is not cut to 16 bits", Number(VT_UI4, 70000), 70000},
        {"VT_I8 beyond 32 bits", Number(VT_I8, 0x100000000LL), 0},
        {"negative", Number(VT_I4, -3), 0},
        {"a boolean is no count", Number(VT_BOOL, -1), 0},
    };
    for (const Case& c : cases) {
        Bag bag;
        bag->values[Name(u"TotalPagedRenderedInPdlOutput")] = c.value;
        EXPECT_EQ(c.expected, JobSettings::ReadPageCount(bag.get())) << c.label;
    }
    Bag empty;
    EXPECT_EQ(0u, JobSettings::ReadPageCount(empty.get())) << "absent";
}

std::vector<std::pair<DWORD, std::u16string>> Items(const JobSettings& settings) {
    PDLInsertionDataList list;
    PDLInsertionListBuilder::Build(settings, list);
    std::vector<std::pair<DWORD, std::u16string>> items;
    for (const auto& item : list) {
        items.emplace_back(item.insertionType, Utf16(item.insertionText));
        EXPECT_FALSE(item.isInserted);
        EXPECT_TRUE(item.tag.IsEmpty());
    }
    return items;
}

TEST(InsertionList, ItemsFollowTheSettingsInTheirFixedOrder) {
    JobSettings all;
    all.pjlToInsert = WideString(u"PJL");
    all.jobLevelPsComments = WideString(u"DSC");
    all.jobLevelPs = WideString(u" ");
    all.pclmCustomTicket = WideString(u"PCLM");
    all.greenSeparatorFixUp = true;
    all.qcptTicket = WideString(u"TICKET");
    using Items_ = std::vector<std::pair<DWORD, std::u16string>>;
    EXPECT_EQ(
        (Items_{
            {0, u"PJL"}, {4, u"DSC"}, {1, u" "}, {6, u"PCLM"}, {5, u"\x1b%-12345X@PJL EOJ\r\n"}}),
        Items(all));

    JobSettings both = all;
    both.requiresBothPjlAndQcpt = true;
    both.fullQpifSupported = true;
    EXPECT_EQ((Items_{{5, u"PJL"},
                      {4, u"DSC"},
                      {1, u" "},
                      {6, u"PCLM"},
                      {5, u"\x1b%-12345X@PJL EOJ\r\n"},
                      {5, u"TICKET"}}),
              Items(both));

    JobSettings fullQpif = all;
    fullQpif.fullQpifSupported = true;
    EXPECT_TRUE(Items(fullQpif).empty()) << "full QPIF without needing both: no item at all";
}
}  // namespace
