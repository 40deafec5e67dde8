// Fixtures shared by every test program.
//
// TempDir makes a fresh directory under $TMPDIR (or /tmp) and removes it
// with everything below it when it goes out of scope. ScopedEnv sets or
// clears one environment variable for the lifetime of the object;
// ScopedWorkingDirectory changes the working directory for its lifetime.
// HermeticEnvironment points VORLANE_HOME, XDG_DATA_HOME, XDG_CONFIG_HOME
// and HOME at a temporary directory so no test can touch the real ones.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vorlane::test {

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_path; }
    // Joins a relative name onto the directory.
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

  private:
    std::string m_path;
};

class ScopedEnv {
  public:
    // REQUIRES: name is a valid environment variable name.
    ScopedEnv(std::string name, std::optional<std::string> value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    std::string m_name;
    std::optional<std::string> m_old;
};

class ScopedWorkingDirectory {
  public:
    // Fails the current test when dir cannot be entered.
    explicit ScopedWorkingDirectory(const std::string& dir);
    ~ScopedWorkingDirectory();
    ScopedWorkingDirectory(const ScopedWorkingDirectory&) = delete;
    ScopedWorkingDirectory& operator=(const ScopedWorkingDirectory&) = delete;

  private:
    int m_old = -1; // a descriptor of the directory to return to
};

// Writes text to a file, replacing it. Fails the current test on error.
void WriteFile(const std::string& path, const std::string& text);
// Reads a whole file; returns "" and fails the current test when it cannot.
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
// Permission bits (07777) of a path, not following a final link; 0 when missing.
unsigned FileMode(const std::string& path);
// The names in a directory, sorted; empty when it cannot be read.
std::vector<std::string> ListDir(const std::string& dir);

} // namespace vorlane::test
