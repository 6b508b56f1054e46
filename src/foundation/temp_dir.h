#pragma once
// A fresh temporary folder, removed with everything in it when the object
// goes out of scope. Databases created by tests and benchmarks live in one,
// so a failed run leaves nothing behind and parallel runs never share files.

#include <string>

class TcTempDir {
  public:
    // Creates ${TMPDIR:-/tmp}/PREFIX.XXXXXX; raises std::runtime_error when
    // the folder cannot be made.
    explicit TcTempDir(const std::string& prefix = "tessel-test");
    ~TcTempDir();
    TcTempDir(const TcTempDir&) = delete;
    TcTempDir& operator=(const TcTempDir&) = delete;

    // The folder's absolute path, without a trailing slash.
    const std::string& Path() const { return FPath; }
    // Path() + "/" + name; the file itself is not created.
    std::string File(const std::string& name) const { return FPath + "/" + name; }

  private:
    std::string FPath;
};
