// A directory a death test shares with the copy of the test program that
// runs its statement: the copy finds it in its environment (a TempDir of its
// own would be another one), writes there, and the test reads it after.
#pragma once

#include <cstdlib>
#include <filesystem>

#include "process.hpp"

namespace harness {

class SharedDir {
public:
    SharedDir() {
        setenv("MOLVANE_SHARED_DIR", own_.path().c_str(), 0);
        path_ = std::getenv("MOLVANE_SHARED_DIR");
        if (path_ != own_.path()) std::filesystem::remove_all(own_.path());  // the copy: not needed
    }
    ~SharedDir() {
        if (path_ == own_.path()) unsetenv("MOLVANE_SHARED_DIR");
    }
    SharedDir(const SharedDir&) = delete;
    SharedDir& operator=(const SharedDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    process::TempDir own_;
    std::filesystem::path path_;
};

}  // namespace harness
