#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/platform.h"
#include "support/sandbox.h"
#include "support/zip_builder.h"

namespace tilvo::testing {
namespace {

mode_t modeOf(const std::string& host) {
  struct stat st{};
  return ::stat(host.c_str(), &st) == 0 ? (st.st_mode & 0777) : 0;
}

// Sets a restrictive umask for the test's life, as a user's session may have.
class Umask {
 public:
  explicit Umask(mode_t mask) : saved_(::umask(mask)) {}
  ~Umask() { ::umask(saved_); }

 private:
  mode_t saved_;
};

TEST(CreateDirectoryForEveryone, EveryUserMayUseTheFolderAndWhatIsCreatedInItLater) {
  Sandbox sb;
  Umask mask(077);
  auto& fs = platform::fileSystem();
  ASSERT_TRUE(fs.createDirectoryForEveryone("C:\\Tilvo launcher\\")) << "trailing backslash allowed";
  const std::string root = sb.host("C:\\Tilvo launcher");
  EXPECT_EQ(modeOf(root), 0777u);

  // Created later, inside, by anyone: the inherited list beats the umask; the creation mode still limits it.
  ASSERT_EQ(::mkdir((root + "/sub").c_str(), 0777), 0);
  const int fd = ::open((root + "/sub/file").c_str(), O_CREAT | O_WRONLY, 0666);
  ASSERT_GE(fd, 0);
  ::close(fd);
  EXPECT_EQ(modeOf(root + "/sub"), 0777u);
  EXPECT_EQ(modeOf(root + "/sub/file"), 0666u);

  platform::Status error;
  const std::string zip = BuildZip({{"data/x.dll", "x"}});
  auto reader = platform::zipArchives().openMemory(zip, error);
  ASSERT_TRUE(reader);
  const auto result = reader->extract(0, "C:\\Tilvo launcher\\");
  ASSERT_TRUE(result.extracted()) << result.message;
  EXPECT_EQ(modeOf(root + "/data"), 0777u);
  EXPECT_EQ(modeOf(root + "/data/x.dll"), 0666u);

  EXPECT_FALSE(fs.createDirectoryForEveryone("C:\\Tilvo launcher")) << "exists already";
  EXPECT_FALSE(fs.createDirectoryForEveryone("C:\\no parent\\Tilvo launcher"));
}

}  // namespace
}  // namespace tilvo::testing
