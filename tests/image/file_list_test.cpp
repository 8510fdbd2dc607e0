// The file list: groups and numbered ranges entered, filelist.txt written and read back,
// and the batch-rename file.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "image/file_list.h"
#include "image/file_names.h"
#include "tests/support/run_pelm.h"
#include "textio/console.h"
#include "textio/fixed_text.h"

namespace fs = std::filesystem;

namespace {

struct FileListTest : ::testing::Test {
  fs::path dir = testsupport::freshFolder("filelist");
  std::istringstream in;
  std::ostringstream out;
  textio::Console console{in, out};
  core::Settings settings;

  void SetUp() override {
    settings.workingPath = textio::fixed(dir.string() + "/", 80);
    image::setTypeCode(settings, image::kNumberingConvention, "0");
  }
  void TearDown() override { fs::remove_all(dir); }

  bool enter(const std::string& answers) {
    in.clear();
    in.str(answers);
    return image::gflist(console, settings);
  }
  std::string listFile() { return testsupport::readFile(dir / "filelist.txt"); }
  static std::string expected(const std::vector<std::string>& names) {
    std::string s = " " + std::to_string(names.size()) + "\n";
    for (const auto& n : names) s += textio::fixed(n, 20) + "\n";
    return s + " \n";
  }
};

TEST_F(FileListTest, TwoGroupsARangeAndASingleName) {
  EXPECT_TRUE(enter("img1\n..\nimg3\nm31.fit\n\n\n"));
  EXPECT_EQ(settings.fileCount, 4);
  EXPECT_EQ(listFile(), expected({"img1", "img2", "img3", "m31"}));
  // The scratch file holds the last group entered.
  EXPECT_EQ(testsupport::readFile(dir / "junk1.dat"), textio::fixed("m31", 20) + "\n");
  // The closing empty answer was stripped too: no type was supplied with it.
  EXPECT_EQ(image::typeCode(settings, image::kSuppliedType), "   ");
}

TEST_F(FileListTest, RangesAreWrittenUnderTheNumberingConvention) {
  image::setTypeCode(settings, image::kNumberingConvention, "3");
  EXPECT_TRUE(enter("img001\n..\nimg050\n\n"));
  EXPECT_EQ(settings.fileCount, 50);
  std::vector<std::string> names;
  for (int k = 1; k <= 50; ++k) names.push_back("img" + std::string(k < 10 ? "00" : "0") + std::to_string(k));
  EXPECT_EQ(listFile(), expected(names));
  // The width comes from the convention alone.
  EXPECT_TRUE(enter("img0001.fit\n..\nimg0003.fit\n\n"));
  EXPECT_EQ(listFile(), expected({"img001", "img002", "img003"}));
}

TEST_F(FileListTest, SingleNamesOfAGroupComeBeforeItsRange) {
  EXPECT_TRUE(enter("m31\nobj7\n..\nobj9\n\n"));
  EXPECT_EQ(listFile(), expected({"m31", "obj7", "obj8", "obj9"}));
}

TEST_F(FileListTest, ThePredefinedListAndAnEmptyListLeaveTheFileAlone) {
  testsupport::writeFile(dir / "filelist.txt", "old list\n");
  settings.fileCount = 7;
  EXPECT_FALSE(enter("...\n"));
  EXPECT_FALSE(enter("@night2\n"));
  EXPECT_EQ(settings.fileCount, 7);
  EXPECT_FALSE(enter("\n"));
  EXPECT_EQ(settings.fileCount, 0);
  EXPECT_EQ(listFile(), "old list\n");
  EXPECT_EQ(out.str(),
            "   enter filename :   use pre-defined list\n"
            "   enter filename :   use pre-defined list\n"
            "   enter filename :    have stripped off file type; file type was    \n\n");
}

TEST_F(FileListTest, BadRangesAreReportedAndNotAdded) {
  EXPECT_TRUE(enter("vega\n..\nvega5\nimg9\n..\nimg5\n\n"));
  EXPECT_NE(out.str().find("   error - a range needs names ending in a frame number; range not added\n"),
            std::string::npos);
  EXPECT_NE(out.str().find("   error - the last number of a range is below the first; range not added\n"),
            std::string::npos);
  EXPECT_EQ(listFile(), expected({"vega", "img9"}));
}

TEST_F(FileListTest, TooLongNamesAreRefusedAndAskedAgain) {
  EXPECT_TRUE(enter("abcdefghijklmnopq.fit\nshort\nabcdefghijklmnopqrstu\nok2\n\n\n"));
  EXPECT_EQ(listFile(), expected({"short", "ok2"}));
  EXPECT_NE(out.str().find("   error - file name longer than 16 characters (no room for its file type): "
                           "abcdefghijklmnopq\n"),
            std::string::npos);
  // A range whose numbered names would not leave room for a type is refused whole.
  EXPECT_TRUE(enter("abcdefghijklmn98\n..\nabcdefghijklmn101\n\n"));
  EXPECT_EQ(listFile(), expected({"abcdefghijklmn98"}));
}

TEST_F(FileListTest, AListIsCutAt10000Names) {
  EXPECT_TRUE(enter("a1\n..\na6000\nb1\n..\nb6000\nc1\n\n\n"));
  EXPECT_EQ(settings.fileCount, 10000);
  std::string text = listFile();
  EXPECT_EQ(text.substr(0, 7), " 10000\n");
  EXPECT_NE(text.find(textio::fixed("b4000", 20) + "\n \n"), std::string::npos);
  EXPECT_EQ(text.find("b4001"), std::string::npos);
  EXPECT_EQ(text.find("c1 "), std::string::npos);
  const std::string message = "   error - a file list holds at most 10000 names; the list is cut at 10000\n";
  size_t first = out.str().find(message);
  ASSERT_NE(first, std::string::npos);
  EXPECT_EQ(out.str().find(message, first + 1), std::string::npos);  // said once
}

TEST_F(FileListTest, AFrameNumberOf100000LeavesTheRangeOutAfterAKeyPress) {
  testsupport::writeFile(dir / "filelist.txt", "old\n");
  // the key press is the blank line after the range; the list then goes on
  in.str("img99998\n..\nimg100001\n\nimg7\n\n\n");
  EXPECT_TRUE(image::gflist(console, settings));
  EXPECT_NE(out.str().find("error - file number > 100000\npress return to continue\n   range not added\n"),
            std::string::npos);
  EXPECT_EQ(listFile(), expected({"img99998", "img7"}));
}

TEST_F(FileListTest, ReaderStopsAtCountBlankNameOrEnd) {
  image::FileList list;
  EXPECT_FALSE(list.open(console, settings));
  EXPECT_NE(out.str().find("   error - cannot open file list "), std::string::npos);
  ASSERT_TRUE(enter("img1\n..\nimg3\n\n"));
  ASSERT_TRUE(list.open(console, settings));
  EXPECT_EQ(list.count(), 3);
  std::string name;
  std::vector<std::string> got;
  while (list.next(name)) got.push_back(name);
  EXPECT_EQ(got, (std::vector<std::string>{textio::fixed("img1", 20), textio::fixed("img2", 20),
                                           textio::fixed("img3", 20)}));
  // A count larger than the names present stops at the last name; a blank name ends the list.
  testsupport::writeFile(dir / "filelist.txt", "5\r\nf1\r\nf2\r\n");
  ASSERT_TRUE(list.open(console, settings));
  EXPECT_EQ(settings.fileCount, 5);
  got.clear();
  while (list.next(name)) got.push_back(name);
  EXPECT_EQ(got.size(), 2u);
  testsupport::writeFile(dir / "filelist.txt", "3\nf1\n \nf3\n");
  ASSERT_TRUE(list.open(console, settings));
  got.clear();
  while (list.next(name)) got.push_back(name);
  EXPECT_EQ(got, std::vector<std::string>{textio::fixed("f1", 20)});
}

std::string dirLine(const std::string& fileName) {
  return textio::fixed("12/09/2005  21:30            158,400 ", 36) + textio::fixed(fileName, 40) + "\n";
}

TEST_F(FileListTest, SornuWritesOneCopyLinePerFileUpTo1000) {
  std::string listing = " Volume in drive C\n\n Directory of C:\\ccd\n\n\n";
  for (const char* f : {"Varrow-001.FIT", "Varrow-002.FIT", "Varrow-003.FIT", "Varrow-004.FIT"}) listing += dirLine(f);
  listing += "               4 File(s)\n";
  testsupport::writeFile(dir / "file.dir", listing);
  in.str("\n998\n");
  image::sornu(console, settings);
  EXPECT_EQ(testsupport::readFile(dir / "sornu.bat"),
            " copy " + textio::fixed("Varrow-001.FIT", 40) + "  img998.fit\n" +
            " copy " + textio::fixed("Varrow-002.FIT", 40) + "  img999.fit\n" +
            " copy " + textio::fixed("Varrow-003.FIT", 40) + "  img1000.fit\n");
  EXPECT_EQ(out.str(),
            "  generate file for batch renaming of Varrow Camera files\n\n"
            "  you should have done DIR *.FIT>FILE.DIR at the command line in the directory\n"
            "  this will put a list of all the FITs files into file.dir\n\n"
            "   have you done this Y/N [Y]    enter the file number for the first file: ");
  // Listing ends at a line whose first three characters are blank.
  in.clear();
  in.str("y\n1\n");
  image::sornu(console, settings);
  std::string bat = testsupport::readFile(dir / "sornu.bat");
  EXPECT_EQ(std::count(bat.begin(), bat.end(), '\n'), 4);
  EXPECT_NE(bat.find("Varrow-004.FIT") , std::string::npos);
}

TEST_F(FileListTest, SornuWithoutFileDirWritesNothing) {
  in.str("Y\n1\n");
  image::sornu(console, settings);
  EXPECT_FALSE(fs::exists(dir / "sornu.bat"));
  EXPECT_NE(out.str().find("file.dir; no batch file written\n"), std::string::npos);
  out.str("");
  in.clear();
  in.str("n\n");
  image::sornu(console, settings);
  EXPECT_EQ(out.str().substr(out.str().size() - 30), "   have you done this Y/N [Y] ");
}

}  // namespace
