#include "log/capture_names.h"

#include <gtest/gtest.h>

#include <string>

namespace tresvik {
namespace {

constexpr CaptureTime kMayAfternoon{2017, 5, 3, 14, 22, 1};

TEST(CaptureNames, NamesCarryTimeProgramNumberAndDeviceId) {
    const auto names = captureNames(u"/opt/tresvik/", kMayAfternoon, u"00123", u"_0A1B2C");
    ASSERT_TRUE(names);
    EXPECT_EQ(names->picture, u"/opt/tresvik/_2017_05_03__14_22_01__PRG_00123_0A1B2C.jpeg");
    EXPECT_EQ(names->dump, u"/opt/tresvik/_2017_05_03__14_22_01__PRG_00123_0A1B2C.txt");
}

TEST(CaptureNames, BeforeAnyDecodingTheNamesReadNull) {
    const auto names = captureNames(u"", kMayAfternoon, u"NULL", u"");
    ASSERT_TRUE(names);
    EXPECT_EQ(names->picture, u"_2017_05_03__14_22_01__PRG_NULL.jpeg");
    EXPECT_EQ(names->dump, u"_2017_05_03__14_22_01__PRG_NULL.txt");
}

TEST(CaptureNames, DateAndTimeFieldsAreTwoDigitsAndTheYearIsFull) {
    const auto names = captureNames(u"", {2021, 1, 2, 3, 4, 5}, u"7", u"");
    ASSERT_TRUE(names);
    EXPECT_EQ(names->dump, u"_2021_01_02__03_04_05__PRG_7.txt");
}

TEST(CaptureNames, TextsAreInsertedLiterallyNotAsFormats) {
    const auto names = captureNames(u"/tmp/%d/", kMayAfternoon, u"%s", u"_%02d");
    ASSERT_TRUE(names);
    EXPECT_EQ(names->dump, u"/tmp/%d/_2017_05_03__14_22_01__PRG_%s_%02d.txt");
}

TEST(CaptureNames, CharactersAFileNameCannotHoldBecomeUnderscores) {
    const auto names =
        captureNames(u"/data/", kMayAfternoon, u"../12/3", u"_A:B\\C*?\"<>|\u0001\u007F%");
    ASSERT_TRUE(names);
    EXPECT_EQ(names->dump, u"/data/_2017_05_03__14_22_01__PRG_.._12_3_A_B_C________%.txt");
}

TEST(CaptureNames, NameOfExactlyTheLimitIsKeptWhole) {
    // "_2017_05_03__14_22_01__PRG_" is 27 units, "NULL" 4, ".jpeg" 5, the suffix 13.
    const std::u16string directory(kMaxCaptureNameLength - 27 - 4 - 5 - 13, u'd');
    const auto names = captureNames(directory, kMayAfternoon, u"NULL", u"_ABCDEFGHIJKL");
    ASSERT_TRUE(names);
    EXPECT_EQ(names->picture.size(), kMaxCaptureNameLength);
    EXPECT_TRUE(names->picture.ends_with(u"_ABCDEFGHIJKL.jpeg"));
}

TEST(CaptureNames, OverLongDeviceIdIsShortenedFromItsEnd) {
    const std::u16string directory(150, u'd');
    const std::u16string suffix = u"_" + std::u16string(100, u'7');
    const auto names = captureNames(directory, kMayAfternoon, u"NULL", suffix);
    ASSERT_TRUE(names);
    EXPECT_EQ(names->picture.size(), kMaxCaptureNameLength);
    const std::u16string kept = suffix.substr(0, kMaxCaptureNameLength - 150 - 27 - 4 - 5);
    EXPECT_EQ(names->picture, directory + u"_2017_05_03__14_22_01__PRG_NULL" + kept + u".jpeg");
    EXPECT_EQ(names->dump, directory + u"_2017_05_03__14_22_01__PRG_NULL" + kept + u".txt");
}

TEST(CaptureNames, DeviceIdMayShrinkToNothing) {
    const std::u16string directory(kMaxCaptureNameLength - 27 - 4 - 5, u'd');
    const auto names = captureNames(directory, kMayAfternoon, u"NULL", u"_0A1B2C");
    ASSERT_TRUE(names);
    EXPECT_EQ(names->picture, directory + u"_2017_05_03__14_22_01__PRG_NULL.jpeg");
}

TEST(CaptureNames, ShortenedDeviceIdNeverSplitsASurrogatePair) {
    const std::u16string directory(kMaxCaptureNameLength - 27 - 4 - 5 - 2, u'd');
    const auto names = captureNames(directory, kMayAfternoon, u"NULL", u"_\U0001F600");
    ASSERT_TRUE(names);
    EXPECT_EQ(names->picture, directory + u"_2017_05_03__14_22_01__PRG_NULL_.jpeg");
}

TEST(CaptureNames, NothingWhenEvenWithoutDeviceIdTheNameIsTooLong) {
    const std::u16string directory(kMaxCaptureNameLength - 27 - 4 - 5 + 1, u'd');
    EXPECT_FALSE(captureNames(directory, kMayAfternoon, u"NULL", u""));
    EXPECT_FALSE(captureNames(u"/", kMayAfternoon, std::u16string(200, u'9'), u"_1"));
}

}  // namespace
}  // namespace tresvik
