// The message catalogue bound into this program, the component's message
// paths and its exception.
#include "archive/ArchiveMessages.h"
#include "archive/MessageIds.h"
#include "tests/archive/ComponentTestSupport.h"

namespace tavrix::archive {
namespace {

using namespace testing;

const std::string kFallback = "Messages.res is probably not bound to the executable\nMissing String ID is: ";

TEST(Catalogue, IsBoundIntoAProgramThatLinksTheComponent) {
    EXPECT_EQ(LoadArchiveStr(10704, "-"), "UNPACK32.DLL not found!");
    EXPECT_EQ(LoadArchiveStr(10101, "-"), "Fatal Error in Pack32.DLL: abort exception");
    EXPECT_EQ(LoadArchiveStr(11047, "-"), "Central directory");
    // Line breaks and trailing spaces are part of the texts.
    EXPECT_EQ(LoadArchiveStr(10104, "-"), "Error - passwords do NOT match\nPassword ignored");
    EXPECT_EQ(LoadArchiveStr(10202, "-"), "Unknown error in List() function\n");
    EXPECT_EQ(LoadArchiveStr(10105, "-"), "Copying: ");
    EXPECT_EQ(LoadArchiveStr(11035, "-"), "\nin drive: %s");
}

TEST(Catalogue, SitsBesideTheProgramsOwnStrings) {
    char own[64] = {};
    ASSERT_GT(::LoadStringA(::GetModuleHandleA(nullptr), 20001, own, sizeof own), 0);
    EXPECT_STREQ(own, "the test program's own string");
}

TEST(Catalogue, HoldsEveryIdInUseAndNothingOutsideItsRange) {
    int present = 0;
    for (int id = msg::kFirstId - 5; id <= msg::kLastId + 5; ++id)
        if (LoadArchiveStr(id, "") != "") {
            ++present;
            EXPECT_GE(id, msg::kFirstId);
            EXPECT_LE(id, msg::kLastId);
        }
    EXPECT_EQ(present, 82);  // the listed texts, and 10305 to 10307 for spanning
    EXPECT_EQ(LoadArchiveStr(10999, "default"), "default");
}

TEST(Catalogue, PlaceholdersAreFilledOnceAndValuesAreNotFormats) {
    EXPECT_EQ(fillPlaceholders("Please insert disk volume %.1d of %.1d", {"2", "5"}),
              "Please insert disk volume 2 of 5");
    EXPECT_EQ(fillPlaceholders("Drive %s is NOT defined", {"%d%s"}), "Drive %d%s is NOT defined");
    EXPECT_EQ(fillPlaceholders("100% %s", {}), "100% %s");
    EXPECT_EQ(fillPlaceholders("Error %.1d occurred", {"7"}), "Error 7 occurred");
}

TEST(ArchiveException, ThreeConstructorsFormatTheirTexts) {
    EArchiveBuilder plain(msg::NotAZipArchive, false);
    EXPECT_STREQ(plain.what(), "This archive is not a valid Zip archive");
    EXPECT_FALSE(plain.Display());
    EXPECT_EQ(plain.ResourceId(), 11036);

    EArchiveBuilder number(msg::NthDiskOfSet, 3);
    EXPECT_STREQ(number.what(),
                 "This is the 3th disk in a backup set,\nplease insert the last disk of this set");
    EXPECT_TRUE(number.Display());
    EXPECT_EQ(number.ResourceId(), 11038);

    EArchiveBuilder text(msg::DriveUndefined, "Q:\\");
    EXPECT_STREQ(text.what(), "Drive Q:\\ is NOT defined");
    EXPECT_TRUE(text.Display());

    EXPECT_STREQ(EArchiveBuilder(msg::InsertVolume, 2).what(), "Please insert disk volume 2");
    EXPECT_STREQ(EArchiveBuilder(msg::AutoSfxError, -4).what(),
                 "Error -4 occurred during Auto SFX creation.");
}

TEST(ArchiveException, MissingTextNamesTheIdUnformatted) {
    EXPECT_EQ(std::string(EArchiveBuilder(10999, true).what()), kFallback + "10999");
    EXPECT_EQ(std::string(EArchiveBuilder(10998, 5).what()), kFallback + "10998");
    EArchiveBuilder text(10997, "value");
    EXPECT_EQ(std::string(text.what()), kFallback + "10997");
    EXPECT_EQ(text.ResourceId(), 10997);
}

class ComponentMessages : public ComponentFixture {};

TEST_F(ComponentMessages, ShownInABoxRecordedAndAnnouncedWithCodeZero) {
    builder.ShowArchiveMessage(msg::UnpackNotFound, "");
    EXPECT_EQ(boxes.texts, std::vector<std::string>{"UNPACK32.DLL not found!"});
    EXPECT_EQ(builder.LastErrCode(), 10704);
    EXPECT_EQ(builder.LastMessage(), "UNPACK32.DLL not found!");
    EXPECT_EQ(messages, (std::vector<SeenMessage>{{0, "UNPACK32.DLL not found!"}}));
}

TEST_F(ComponentMessages, UnattendedShowsNothingButStillRecordsAndAnnounces) {
    builder.SetUnattended(true);
    builder.ShowArchiveMessage(msg::UnpackNotFound);
    builder.ShowExceptionError(EArchiveBuilder(msg::DriveUndefined, "Q:\\"));
    EXPECT_TRUE(boxes.texts.empty());
    EXPECT_EQ(builder.LastErrCode(), msg::DriveUndefined);
    EXPECT_EQ(messages.size(), 2u);
}

TEST_F(ComponentMessages, MissingIdGivesTheFallbackThenTheIdThenTheUserText) {
    builder.ShowArchiveMessage(10999, " extra");
    EXPECT_EQ(builder.LastMessage(), kFallback + "10999 extra");
    EXPECT_EQ(builder.LastErrCode(), 10999);
    builder.ShowArchiveMessage(msg::Copying, "dir\\file.txt");
    EXPECT_EQ(builder.LastMessage(), "Copying: dir\\file.txt");
}

TEST_F(ComponentMessages, ExceptionWithoutDisplayIsRecordedButNotShown) {
    builder.ShowExceptionError(EArchiveBuilder(msg::UserCanceled, false));
    EXPECT_TRUE(boxes.texts.empty());
    EXPECT_EQ(builder.LastErrCode(), msg::UserCanceled);
    EXPECT_EQ(messages, (std::vector<SeenMessage>{{0, "User canceled operation"}}));

    builder.ShowExceptionError(EArchiveBuilder(msg::NthDiskOfSet, 2));
    EXPECT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(messages.back().code, 0);
}

TEST_F(ComponentMessages, WithoutAHandlerOnlyTheMembersChange) {
    builder.OnMessage = nullptr;
    builder.SetUnattended(true);
    builder.ShowArchiveMessage(msg::NoZipFile);
    EXPECT_EQ(builder.LastMessage(), "Error - no zip file specified!");
}

}  // namespace
}  // namespace tavrix::archive
