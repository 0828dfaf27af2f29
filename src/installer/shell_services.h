#pragma once
// What installing and uninstalling need from the operating system beyond files and the
// registry: shell links, starting a process and the folders the shell knows. The Windows
// program implements it with COM and CreateProcess; tests record the calls.

#include <string>

namespace skyloom {

class ShellServices {
 public:
  virtual ~ShellServices() = default;

  // Saves a shell link at linkPath pointing at target (also its icon, index 0). False when the
  // link could not be made.
  virtual bool createShortcut(const std::string& target, const std::string& linkPath, const std::string& description,
                              const std::string& arguments, const std::string& workingDirectory) = 0;
  // Starts commandLine without waiting for it. False when it could not be started.
  virtual bool startProcess(const std::string& commandLine) = 0;

  // Full paths without a trailing separator; empty when unknown.
  virtual std::string windowsDirectory() = 0;
  virtual std::string programsFolder() = 0;  // the user's Start-menu programs
  virtual std::string desktopFolder() = 0;
  virtual std::string temporaryFolder() = 0;
};

}  // namespace skyloom
