#include "platform/linux/ini_profile_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/linux/ascii_text.h"

namespace tilvo::platform::linux_host {
namespace {

constexpr int kErrorPathNotFound = 3;

struct Line {
  std::string text;    // without its line break
  std::string ending;  // "\r\n", "\n" or "" for a last line without one
};

std::vector<Line> splitLines(const std::string& content) {
  std::vector<Line> lines;
  size_t pos = 0;
  while (pos < content.size()) {
    const size_t nl = content.find('\n', pos);
    if (nl == std::string::npos) {
      lines.push_back({content.substr(pos), ""});
      break;
    }
    const bool cr = nl > pos && content[nl - 1] == '\r';
    lines.push_back({content.substr(pos, nl - pos - (cr ? 1 : 0)), cr ? "\r\n" : "\n"});
    pos = nl + 1;
  }
  return lines;
}

std::string trim(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  const size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}


// The section name of a "[name]" line, or nothing.
bool sectionOf(const std::string& text, std::string& name) {
  const std::string t = trim(text);
  if (t.empty() || t[0] != '[') return false;
  const size_t close = t.find(']');
  name = trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
  return true;
}

bool keyOf(const std::string& text, std::string& key, std::string& value) {
  const size_t eq = text.find('=');
  if (eq == std::string::npos) return false;
  key = trim(text.substr(0, eq));
  value = trim(text.substr(eq + 1));
  return true;
}

// Strips a UTF-8 byte order mark for parsing; it is written back unchanged.
std::string withoutBom(const std::string& content, std::string& bom) {
  if (content.rfind("\xEF\xBB\xBF", 0) == 0) {
    bom = content.substr(0, 3);
    return content.substr(3);
  }
  bom.clear();
  return content;
}

std::string join(const std::vector<Line>& lines) {
  std::string out;
  for (const auto& l : lines) out += l.text + l.ending;
  return out;
}

class IniProfileFile final : public ProfileFile {
 public:
  explicit IniProfileFile(VirtualDrives drives) : drives_(std::move(drives)) {}

  std::string readString(const std::string& file, const std::string& section, const std::string& key,
                         const std::string& fallback) override {
    std::ifstream in(drives_.toHost(file), std::ios::binary);
    if (!in) return fallback;
    std::stringstream buffer;
    buffer << in.rdbuf();
    return iniRead(buffer.str(), section, key, fallback);
  }

  Status writeString(const std::string& file, const std::string& section, const std::string& key,
                     const std::string& value) override {
    const std::string host = drives_.toHost(file);
    const size_t slash = host.rfind('/');
    const std::string folder = slash == std::string::npos || slash == 0 ? "/" : host.substr(0, slash);
    struct stat st{};
    if (host.empty() || ::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
      return Status::failure(kErrorPathNotFound, "the folder of " + file + " does not exist");

    std::string content;
    mode_t mode = 0666;
    if (::stat(host.c_str(), &st) == 0) {
      mode = st.st_mode & 07777;
      std::ifstream in(host, std::ios::binary);
      std::stringstream buffer;
      buffer << in.rdbuf();
      content = buffer.str();
    }
    return replaceFile(host, folder, iniWrite(content, section, key, value), mode, file);
  }

 private:
  // Written beside the target and renamed over it: a reader or a killed writer never sees half a file.
  static Status replaceFile(const std::string& host, const std::string& folder, const std::string& content,
                            mode_t mode, const std::string& file) {
    std::string tmp = folder + "/.ini-XXXXXX";
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0) return Status::failure(errno, "cannot write " + file + ": " + std::strerror(errno));
    bool ok = ::fchmod(fd, mode) == 0;
    for (size_t done = 0; ok && done < content.size();) {
      const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
      if (n < 0 && errno == EINTR) continue;
      ok = n > 0;
      if (ok) done += static_cast<size_t>(n);
    }
    const int writeErr = errno;
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok || ::rename(tmp.c_str(), host.c_str()) != 0) {
      const int err = ok ? errno : writeErr;
      ::unlink(tmp.c_str());
      return Status::failure(err, "cannot write " + file + ": " + std::strerror(err));
    }
    return Status::success();
  }

  const VirtualDrives drives_;
};

}  // namespace

std::string iniRead(const std::string& content, const std::string& section, const std::string& key,
                    const std::string& fallback) {
  std::string bom;
  bool inSection = false;
  for (const auto& line : splitLines(withoutBom(content, bom))) {
    std::string name, k, v;
    if (sectionOf(line.text, name)) {
      if (inSection) break;  // the first section of that name decides
      inSection = equalsIgnoringAsciiCase(name, section);
      continue;
    }
    if (!inSection || !keyOf(line.text, k, v) || !equalsIgnoringAsciiCase(k, key)) continue;
    // A value in matching quotes comes without them.
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
      v = v.substr(1, v.size() - 2);
    return v;
  }
  return fallback;
}

std::string iniWrite(const std::string& content, const std::string& section, const std::string& key,
                     const std::string& value) {
  std::string bom;
  std::vector<Line> lines = splitLines(withoutBom(content, bom));
  const std::string newLine = key + "=" + value;
  const std::string eol = !lines.empty() && lines.front().ending == "\n" ? "\n" : "\r\n";

  size_t sectionStart = lines.size();
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string name;
    if (sectionOf(lines[i].text, name) && equalsIgnoringAsciiCase(name, section)) {
      sectionStart = i;
      break;
    }
  }
  if (sectionStart == lines.size()) {
    if (!lines.empty() && lines.back().ending.empty()) lines.back().ending = eol;
    lines.push_back({"[" + section + "]", eol});
    lines.push_back({newLine, eol});
    return bom + join(lines);
  }

  size_t lastEntry = sectionStart;  // new keys go after the section's last non-blank line
  for (size_t i = sectionStart + 1; i < lines.size(); ++i) {
    std::string name, k, v;
    if (sectionOf(lines[i].text, name)) break;
    if (keyOf(lines[i].text, k, v) && equalsIgnoringAsciiCase(k, key)) {
      lines[i].text = newLine;
      return bom + join(lines);
    }
    if (!trim(lines[i].text).empty()) lastEntry = i;
  }
  if (lines[lastEntry].ending.empty()) lines[lastEntry].ending = eol;
  lines.insert(lines.begin() + static_cast<long>(lastEntry) + 1, Line{newLine, eol});
  return bom + join(lines);
}

std::unique_ptr<ProfileFile> createIniProfileFile(VirtualDrives drives) {
  return std::make_unique<IniProfileFile>(std::move(drives));
}

}  // namespace tilvo::platform::linux_host
