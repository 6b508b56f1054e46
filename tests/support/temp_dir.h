#pragma once
// A fresh temporary folder for one test, removed with everything in it when
// the object goes out of scope. Databases created by tests live in one, so a
// failed test leaves nothing behind and parallel tests never share files.

#include <string>

class TcTempDir {
  public:
    // Creates ${TMPDIR:-/tmp}/tessel-test.XXXXXX; raises std::runtime_error
    // when the folder cannot be made.
    TcTempDir();
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
