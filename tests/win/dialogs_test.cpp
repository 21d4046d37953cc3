#include "services/dialogs.h"

#include <gtest/gtest.h>

#include "tests/win/dialog_driver.h"
#include "tests/win/test_support.h"

namespace dl {
namespace {

using testing::cancel;
using testing::DialogDriver;
using testing::pressOk;
using testing::ScratchFolder;
using testing::selectFolder;
using testing::TopLevelWindow;

class Dialogs : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
  void TearDown() override { OleUninitialize(); }
};

TEST_F(Dialogs, ChosenFolderComesBackAndTheWindowIsDisabledMeanwhile) {
  TopLevelWindow main;
  ScratchFolder folder;
  DialogDriver driver({selectFolder(folder.path().wstring())}, main.get());
  const PathText chosen = chooseFolder("核心保存位置");
  const auto& seen = driver.seen();

  ASSERT_TRUE(seen[0].found);
  EXPECT_EQ(chosen, testing::u16(folder.path().wstring()));
  EXPECT_NE(seen[0].texts.find(L"核心保存位置"), std::wstring::npos);
  EXPECT_FALSE(seen[0].watchedWindowEnabled);
  EXPECT_TRUE(IsWindowEnabled(main.get()));
  EXPECT_EQ(GetActiveWindow(), main.get());
}

TEST_F(Dialogs, DriveRootKeepsItsBackslash) {
  DialogDriver driver({selectFolder(L"C:\\")});
  EXPECT_EQ(chooseFolder("Java保存位置"), u"C:\\");
  EXPECT_TRUE(driver.seen()[0].found);
}

TEST_F(Dialogs, CancelGivesTheEmptyPathAndRestoresTheWindow) {
  TopLevelWindow main;
  DialogDriver driver({cancel()}, main.get());
  EXPECT_EQ(chooseFolder("核心保存位置"), u"");
  EXPECT_TRUE(driver.seen()[0].found);
  EXPECT_FALSE(driver.seen()[0].watchedWindowEnabled);
  EXPECT_TRUE(IsWindowEnabled(main.get()));
}

TEST_F(Dialogs, NoticeIsOwnerlessTaskModalAndAnsweredOk) {
  TopLevelWindow main;
  DialogDriver driver({pressOk()}, main.get());
  EXPECT_EQ(showNotice("下载时程序将未响应，等待即可", kNoticeInformation, "下载提示"),
            NoticeResult::Ok);
  const auto& seen = driver.seen();
  ASSERT_TRUE(seen[0].found);
  EXPECT_EQ(seen[0].caption, L"下载提示");
  EXPECT_NE(seen[0].texts.find(L"下载时程序将未响应，等待即可"), std::wstring::npos);
  EXPECT_FALSE(seen[0].hasOwner);
  EXPECT_FALSE(seen[0].watchedWindowEnabled);  // task-modal: the thread's windows are disabled
  EXPECT_TRUE(IsWindowEnabled(main.get()));
}

}  // namespace
}  // namespace dl
