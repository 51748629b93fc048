#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <thread>

#include "platform/linux/sqlite_registry.h"
#include "support/sandbox.h"

namespace tilvo::platform::linux_host {
namespace {

using tilvo::testing::TempFolder;
constexpr auto HKLM = RootKey::LocalMachine;
constexpr auto HKCU = RootKey::CurrentUser;

TEST(Registry, KeysAndValuesWithCaseInsensitiveNames) {
  TempFolder dir;
  auto reg = createSqliteRegistry(dir.path() + "/r.db", true);
  ASSERT_TRUE(reg->createKey(HKCU, "\\Software\\Tilvo\\Sub"));
  EXPECT_TRUE(reg->keyExists(HKCU, "SOFTWARE\\tilvo"));
  EXPECT_TRUE(reg->keyExists(HKCU, "software\\TILVO\\sub\\"));

  ASSERT_TRUE(reg->writeValue(HKCU, "Software\\Tilvo", "Path", RegValue::string("C:\\x")));
  ASSERT_TRUE(reg->writeValue(HKCU, "Software\\Tilvo", "Icon", RegValue::expandString("%SystemRoot%\\a.ico")));
  ASSERT_TRUE(reg->writeValue(HKCU, "Software\\Tilvo", "Count", RegValue::dwordValue(0xFFFFFFFEu)));
  ASSERT_TRUE(reg->writeValue(HKCU, "Software\\Tilvo", "path", RegValue::string("C:\\y")));  // same value

  auto path = reg->readValue(HKCU, "software\\tilvo", "PATH");
  ASSERT_TRUE(path);
  EXPECT_EQ(path->type, RegType::String);
  EXPECT_EQ(path->text, "C:\\y");
  EXPECT_EQ(reg->readValue(HKCU, "Software\\Tilvo", "Icon")->type, RegType::ExpandString);
  EXPECT_EQ(reg->readValue(HKCU, "Software\\Tilvo", "Count")->dword, 0xFFFFFFFEu);
  EXPECT_EQ(reg->valueNames(HKCU, "Software\\Tilvo").size(), 3u);

  EXPECT_FALSE(reg->writeValue(HKCU, "Software\\Missing", "x", RegValue::string("y")));
  EXPECT_EQ(reg->writeValue(HKCU, "Software\\Missing", "x", RegValue::string("y")).code, 2);

  ASSERT_TRUE(reg->deleteValue(HKCU, "Software\\Tilvo", "ICON"));
  EXPECT_FALSE(reg->readValue(HKCU, "Software\\Tilvo", "Icon"));
  EXPECT_FALSE(reg->deleteValue(HKCU, "Software\\Tilvo", "Icon"));
}

TEST(Registry, DeletingAKeyTakesItsSubKeysAndValuesOnly) {
  TempFolder dir;
  auto reg = createSqliteRegistry(dir.path() + "/r.db", false);
  reg->createKey(HKCU, "A\\B\\C");
  reg->createKey(HKCU, "A\\B_sibling");
  reg->createKey(HKCU, "A\\B%");
  reg->writeValue(HKCU, "A\\B\\C", "v", RegValue::string("1"));
  reg->writeValue(HKCU, "A\\B_sibling", "v", RegValue::string("2"));

  ASSERT_TRUE(reg->deleteKey(HKCU, "a\\b"));
  EXPECT_FALSE(reg->keyExists(HKCU, "A\\B"));
  EXPECT_FALSE(reg->keyExists(HKCU, "A\\B\\C"));
  EXPECT_FALSE(reg->readValue(HKCU, "A\\B\\C", "v"));
  EXPECT_TRUE(reg->keyExists(HKCU, "A\\B_sibling"));
  EXPECT_TRUE(reg->keyExists(HKCU, "A\\B%"));
  EXPECT_EQ(reg->readValue(HKCU, "A\\B_sibling", "v")->text, "2");
  EXPECT_EQ(reg->subKeyNames(HKCU, "A"), (std::vector<std::string>{"B%", "B_sibling"}));
  EXPECT_EQ(reg->deleteKey(HKCU, "A\\B").code, 2);
}

TEST(Registry, TheProgramsViewOfSoftwareIsRedirectedOnA64BitSystem) {
  TempFolder dir;
  auto reg64 = createSqliteRegistry(dir.path() + "/r.db", true);
  reg64->createKey(HKLM, "SOFTWARE\\Tilvo");
  reg64->createKey(HKLM, "SOFTWARE\\Tilvo", RegView::Key64);
  reg64->writeValue(HKLM, "SOFTWARE\\Tilvo", "v", RegValue::string("32"));
  reg64->writeValue(HKLM, "SOFTWARE\\Tilvo", "v", RegValue::string("64"), RegView::Key64);

  EXPECT_EQ(reg64->readValue(HKLM, "SOFTWARE\\Tilvo", "v")->text, "32");
  EXPECT_EQ(reg64->readValue(HKLM, "SOFTWARE\\Tilvo", "v", RegView::Key32)->text, "32");
  EXPECT_EQ(reg64->readValue(HKLM, "SOFTWARE\\WOW6432Node\\Tilvo", "v", RegView::Key64)->text, "32");
  EXPECT_EQ(reg64->readValue(HKLM, "SOFTWARE\\Tilvo", "v", RegView::Key64)->text, "64");
  // HKCU and other HKLM branches are shared by both views.
  reg64->createKey(HKCU, "Software\\X");
  EXPECT_TRUE(reg64->keyExists(HKCU, "Software\\X", RegView::Key64));

  // On a 32-bit system there is one view.
  auto reg32 = createSqliteRegistry(dir.path() + "/r32.db", false);
  reg32->createKey(HKLM, "SOFTWARE\\Tilvo");
  reg32->writeValue(HKLM, "SOFTWARE\\Tilvo", "v", RegValue::string("only"));
  EXPECT_EQ(reg32->readValue(HKLM, "SOFTWARE\\Tilvo", "v", RegView::Key64)->text, "only");
  EXPECT_FALSE(reg32->keyExists(HKLM, "SOFTWARE\\WOW6432Node\\Tilvo", RegView::Key64));
}

TEST(Registry, TwoWritersAtOnceLoseNothing) {
  TempFolder dir;
  const std::string file = dir.path() + "/r.db";
  createSqliteRegistry(file, false)->createKey(HKCU, "Software\\Tilvo");
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    auto reg = createSqliteRegistry(file, false);
    for (int i = 0; i < 200; ++i) reg->writeValue(HKCU, "Software\\Tilvo", "child" + std::to_string(i), RegValue::dwordValue(1));
    ::_exit(0);
  }
  auto reg = createSqliteRegistry(file, false);
  for (int i = 0; i < 200; ++i)
    ASSERT_TRUE(reg->writeValue(HKCU, "Software\\Tilvo", "parent" + std::to_string(i), RegValue::dwordValue(2)));
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(reg->valueNames(HKCU, "Software\\Tilvo").size(), 400u);
}

TEST(Registry, AWriterKilledMidWayLeavesAUsableStore) {
  TempFolder dir;
  const std::string file = dir.path() + "/r.db";
  auto reg = createSqliteRegistry(file, false);
  reg->createKey(HKCU, "Software\\Tilvo");
  reg->writeValue(HKCU, "Software\\Tilvo", "before", RegValue::string("kept"));
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    auto r = createSqliteRegistry(file, false);
    for (int i = 0;; ++i) {
      r->createKey(HKCU, "Software\\Tilvo\\k" + std::to_string(i));
      r->writeValue(HKCU, "Software\\Tilvo\\k" + std::to_string(i), "v", RegValue::string(std::string(500, 'x')));
    }
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);

  auto after = createSqliteRegistry(file, false);
  EXPECT_EQ(after->readValue(HKCU, "Software\\Tilvo", "before")->text, "kept");
  // Every key that made it has its whole value or none; the store takes new writes.
  for (const auto& k : after->subKeyNames(HKCU, "Software\\Tilvo")) {
    auto v = after->readValue(HKCU, "Software\\Tilvo\\" + k, "v");
    if (v) {
      EXPECT_EQ(v->text.size(), 500u) << k;
    }
  }
  EXPECT_TRUE(after->writeValue(HKCU, "Software\\Tilvo", "after", RegValue::string("ok")));
}

}  // namespace
}  // namespace tilvo::platform::linux_host
