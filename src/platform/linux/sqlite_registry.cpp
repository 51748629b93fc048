#include "platform/linux/sqlite_registry.h"

#include <sqlite3.h>

#include <cstdio>
#include <mutex>
#include <set>
#include <stdexcept>

#include "platform/linux/ascii_text.h"

namespace tilvo::platform::linux_host {
namespace {

constexpr int kErrorFileNotFound = 2;  // the key or value does not exist
constexpr int kErrorDatabase = 1011;   // ERROR_CANTOPEN: the store could not be used

// Collapses separators and drops leading and trailing ones: "\Software\\X\" -> "Software\X".
std::string normalizePath(const std::string& path) {
  std::string out;
  for (char c : path) {
    if (c == '\\') {
      if (!out.empty() && out.back() != '\\') out += c;
    } else {
      out += c;
    }
  }
  while (!out.empty() && out.back() == '\\') out.pop_back();
  return out;
}


struct Statement {
  sqlite3_stmt* stmt = nullptr;
  Statement(sqlite3* db, const char* sql) {
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK)
      throw std::runtime_error(std::string("registry: ") + sqlite3_errmsg(db));
  }
  ~Statement() { sqlite3_finalize(stmt); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& bind(int i, const std::string& s) {
    sqlite3_bind_text(stmt, i, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
    return *this;
  }
  Statement& bind(int i, int v) {
    sqlite3_bind_int(stmt, i, v);
    return *this;
  }
  Statement& bindBlob(int i, const std::string& s) {
    sqlite3_bind_blob(stmt, i, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
    return *this;
  }
  bool step() {
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    throw std::runtime_error(std::string("registry: ") + sqlite3_errmsg(sqlite3_db_handle(stmt)));
  }
  std::string text(int col) const {
    const auto* p = static_cast<const char*>(sqlite3_column_blob(stmt, col));
    return p ? std::string(p, static_cast<size_t>(sqlite3_column_bytes(stmt, col))) : std::string();
  }
  int integer(int col) const { return sqlite3_column_int(stmt, col); }
};

class SqliteRegistry final : public Registry {
 public:
  SqliteRegistry(const std::string& file, bool native64) : native64_(native64) {
    if (sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                        nullptr) != SQLITE_OK) {
      const std::string why = db_ ? sqlite3_errmsg(db_) : "out of memory";
      sqlite3_close(db_);
      throw std::runtime_error("registry: cannot open " + file + ": " + why);
    }
    sqlite3_busy_timeout(db_, 10000);  // another process may hold the write lock for a moment
    exec("PRAGMA journal_mode=WAL");
    exec("PRAGMA synchronous=NORMAL");
    exec("CREATE TABLE IF NOT EXISTS reg_keys(root INTEGER NOT NULL, path TEXT NOT NULL COLLATE NOCASE,"
         " PRIMARY KEY(root, path))");
    exec("CREATE TABLE IF NOT EXISTS reg_values(root INTEGER NOT NULL, path TEXT NOT NULL COLLATE NOCASE,"
         " name TEXT NOT NULL COLLATE NOCASE, type INTEGER NOT NULL, data BLOB,"
         " PRIMARY KEY(root, path, name))");
  }
  ~SqliteRegistry() override { sqlite3_close(db_); }

  Status createKey(RootKey root, const std::string& path, RegView view) override {
    return guarded([&] {
      const std::string p = mapped(root, path, view);
      Transaction tx(*this);
      // Every level exists once its key does; keep the spelling of whoever created a level first.
      for (size_t cut = 0; cut != std::string::npos;) {
        cut = p.find('\\', cut + 1);
        Statement(db_, "INSERT OR IGNORE INTO reg_keys(root, path) VALUES(?1, ?2)")
            .bind(1, static_cast<int>(root))
            .bind(2, cut == std::string::npos ? p : p.substr(0, cut))
            .step();
      }
      tx.commit();
      return Status::success();
    });
  }

  bool keyExists(RootKey root, const std::string& path, RegView view) override {
    bool found = false;
    guarded([&] {
      found = existsKey(root, mapped(root, path, view));
      return Status::success();
    });
    return found;
  }

  Status writeValue(RootKey root, const std::string& path, const std::string& name, const RegValue& value,
                    RegView view) override {
    return guarded([&] {
      const std::string p = mapped(root, path, view);
      Transaction tx(*this);
      if (!existsKey(root, p)) return Status::failure(kErrorFileNotFound, "registry key not found: " + path);
      Statement s(db_, "INSERT INTO reg_values(root, path, name, type, data) VALUES(?1, ?2, ?3, ?4, ?5)"
                       " ON CONFLICT(root, path, name) DO UPDATE SET type = excluded.type, data = excluded.data");
      s.bind(1, static_cast<int>(root)).bind(2, p).bind(3, name).bind(4, static_cast<int>(value.type));
      s.bindBlob(5, encode(value));
      s.step();
      tx.commit();
      return Status::success();
    });
  }

  std::optional<RegValue> readValue(RootKey root, const std::string& path, const std::string& name,
                                    RegView view) override {
    std::optional<RegValue> result;
    guarded([&] {
      Statement s(db_, "SELECT type, data FROM reg_values WHERE root = ?1 AND path = ?2 AND name = ?3");
      s.bind(1, static_cast<int>(root)).bind(2, mapped(root, path, view)).bind(3, name);
      if (s.step()) result = decode(static_cast<RegType>(s.integer(0)), s.text(1));
      return Status::success();
    });
    return result;
  }

  Status deleteValue(RootKey root, const std::string& path, const std::string& name, RegView view) override {
    return guarded([&] {
      Statement s(db_, "DELETE FROM reg_values WHERE root = ?1 AND path = ?2 AND name = ?3");
      s.bind(1, static_cast<int>(root)).bind(2, mapped(root, path, view)).bind(3, name).step();
      if (sqlite3_changes(db_) == 0) return Status::failure(kErrorFileNotFound, "registry value not found: " + name);
      return Status::success();
    });
  }

  Status deleteKey(RootKey root, const std::string& path, RegView view) override {
    return guarded([&] {
      const std::string p = mapped(root, path, view);
      if (p.empty()) return Status::failure(5, "a root key cannot be deleted");
      Transaction tx(*this);
      if (!existsKey(root, p)) return Status::failure(kErrorFileNotFound, "registry key not found: " + path);
      // The key and everything below it; the prefix test avoids LIKE so that "%" and "_" in names are plain.
      for (const char* table : {"reg_keys", "reg_values"}) {
        const std::string sql = std::string("DELETE FROM ") + table +
                                " WHERE root = ?1 AND (path = ?2 OR (length(path) > ?3 AND"
                                " lower(substr(path, 1, ?3 + 1)) = lower(?2 || '\\')))";
        Statement(db_, sql.c_str()).bind(1, static_cast<int>(root)).bind(2, p).bind(3, static_cast<int>(p.size())).step();
      }
      tx.commit();
      return Status::success();
    });
  }

  std::vector<std::string> subKeyNames(RootKey root, const std::string& path, RegView view) override {
    std::vector<std::string> names;
    guarded([&] {
      const std::string p = mapped(root, path, view);
      Statement s(db_, "SELECT path FROM reg_keys WHERE root = ?1 ORDER BY path");
      s.bind(1, static_cast<int>(root));
      while (s.step()) {
        const std::string k = s.text(0);
        const size_t start = p.empty() ? 0 : p.size() + 1;
        if (k.empty() || k.size() <= start) continue;
        if (!p.empty() && !(k[p.size()] == '\\' && equalsIgnoringAsciiCase(k.substr(0, p.size()), p))) continue;
        if (k.find('\\', start) == std::string::npos) names.push_back(k.substr(start));
      }
      return Status::success();
    });
    return names;
  }

  std::vector<std::string> valueNames(RootKey root, const std::string& path, RegView view) override {
    std::vector<std::string> names;
    guarded([&] {
      Statement s(db_, "SELECT name FROM reg_values WHERE root = ?1 AND path = ?2 ORDER BY name");
      s.bind(1, static_cast<int>(root)).bind(2, mapped(root, path, view));
      while (s.step()) names.push_back(s.text(0));
      return Status::success();
    });
    return names;
  }

 private:
  struct Transaction {
    SqliteRegistry& r;
    bool done = false;
    explicit Transaction(SqliteRegistry& reg) : r(reg) { r.exec("BEGIN IMMEDIATE"); }
    void commit() {
      r.exec("COMMIT");
      done = true;
    }
    ~Transaction() {
      if (!done) sqlite3_exec(r.db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
  };

  template <typename F>
  Status guarded(F&& body) {
    std::lock_guard lock(mutex_);
    try {
      return body();
    } catch (const std::exception& e) {
      return Status::failure(kErrorDatabase, e.what());
    }
  }

  void exec(const char* sql) {
    char* err = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &err) != SQLITE_OK) {
      const std::string why = err ? err : "unknown error";
      sqlite3_free(err);
      throw std::runtime_error("registry: " + why);
    }
  }

  bool existsKey(RootKey root, const std::string& p) {
    if (p.empty()) return true;  // root keys always exist
    Statement s(db_, "SELECT 1 FROM reg_keys WHERE root = ?1 AND path = ?2");
    s.bind(1, static_cast<int>(root)).bind(2, p);
    return s.step();
  }

  // A 32-bit program on a 64-bit system sees HKLM\SOFTWARE\WOW6432Node as its HKLM\SOFTWARE.
  std::string mapped(RootKey root, const std::string& path, RegView view) const {
    std::string p = normalizePath(path);
    if (!native64_ || root != RootKey::LocalMachine || view == RegView::Key64) return p;
    const size_t cut = p.find('\\');
    const std::string first = p.substr(0, cut);
    if (!equalsIgnoringAsciiCase(first, "SOFTWARE")) return p;
    const std::string rest = cut == std::string::npos ? "" : p.substr(cut + 1);
    const std::string second = rest.substr(0, rest.find('\\'));
    if (equalsIgnoringAsciiCase(second, "WOW6432Node") || equalsIgnoringAsciiCase(second, "Classes")) return p;
    return first + "\\WOW6432Node" + (rest.empty() ? "" : "\\" + rest);
  }

  static std::string encode(const RegValue& v) {
    switch (v.type) {
      case RegType::DWord: {
        std::string bytes(4, '\0');
        for (int i = 0; i < 4; ++i) bytes[static_cast<size_t>(i)] = static_cast<char>((v.dword >> (8 * i)) & 0xFF);
        return bytes;
      }
      case RegType::Binary:
        return v.binary;
      default:
        return v.text;
    }
  }

  static RegValue decode(RegType type, const std::string& data) {
    RegValue v;
    v.type = type;
    if (type == RegType::DWord) {
      for (size_t i = 0; i < 4 && i < data.size(); ++i)
        v.dword |= static_cast<uint32_t>(static_cast<unsigned char>(data[i])) << (8 * i);
    } else if (type == RegType::Binary) {
      v.binary = data;
    } else {
      v.text = data;
    }
    return v;
  }

  std::mutex mutex_;
  sqlite3* db_ = nullptr;
  const bool native64_;
};

}  // namespace

std::unique_ptr<Registry> createSqliteRegistry(const std::string& databaseFile, bool native64) {
  return std::make_unique<SqliteRegistry>(databaseFile, native64);
}

}  // namespace tilvo::platform::linux_host
