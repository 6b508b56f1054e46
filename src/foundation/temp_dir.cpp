#include "foundation/temp_dir.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <vector>

TcTempDir::TcTempDir(const std::string& prefix) {
    const char* base = std::getenv("TMPDIR");
    std::string pattern =
        std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/" + prefix + ".XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder from " + pattern + ": " +
                                 std::strerror(errno));
    }
    FPath = std::filesystem::absolute(buffer.data()).string();
}

TcTempDir::~TcTempDir() {
    std::error_code ignored;  // a destructor must not throw; a leftover folder is harmless
    std::filesystem::remove_all(FPath, ignored);
}
