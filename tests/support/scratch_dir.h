// A fresh folder for one test under the system's temporary directory,
// removed with everything in it when the object goes, and the plain file
// reads and writes that tests of written files share.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

namespace quorlix::test {

class ScratchDir {
 public:
  ScratchDir() {
    // A name of random letters that nobody else made first.
    std::random_device random;
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; path_.empty(); ++attempt) {
      std::string name = "quorlix-test-";
      for (int i = 0; i < 6; ++i) name += static_cast<char>('a' + random() % 26);
      std::error_code error;
      if (std::filesystem::create_directory(base / name, error)) {
        path_ = (base / name).generic_string();
      } else if (attempt >= 100) {
        throw std::runtime_error("cannot make a folder in " + base.string());
      }
    }
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& path() const { return path_; }
  // `name` inside the folder.
  std::string Path(std::string_view name) const { return path_ + "/" + std::string(name); }

 private:
  std::string path_;
};

inline std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

inline void WriteFileBytes(const std::string& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace quorlix::test
